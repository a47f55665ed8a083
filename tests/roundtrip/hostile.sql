-- A database, tables and values made to break quoting and escaping: every
-- name and value below must come back unchanged after a save and a restore.
CREATE DATABASE `rm ``hostile'' "db" \ ü`;
USE `rm ``hostile'' "db" \ ü`;

CREATE TABLE `it's a ``table``; DROP TABLE x; -- ü` (
  `id` int NOT NULL,
  `quote'd` varchar(100) NOT NULL,
  `back``tick` varchar(100) DEFAULT NULL,
  `back\slash` varchar(100) DEFAULT NULL,
  `new
line` text,
  `grüße €` varchar(50) CHARACTER SET latin1 DEFAULT NULL,
  `raw` varbinary(40) DEFAULT NULL,
  `blob` blob,
  PRIMARY KEY (`id`),
  UNIQUE KEY `uniq'ue``key` (`quote'd`)
) ENGINE=MyISAM DEFAULT CHARSET=utf8mb4;

CREATE TABLE `innodb ``hostile''` LIKE `it's a ``table``; DROP TABLE x; -- ü`;
ALTER TABLE `innodb ``hostile''` ENGINE=InnoDB;

INSERT INTO `it's a ``table``; DROP TABLE x; -- ü` VALUES
  (1, 'it''s', 'back`tick', 'back\\slash\\', CONCAT('line1', CHAR(10), 'line2', CHAR(13), CHAR(10), 'end'),
   'grüße €', X'00275C0A0D1A22', X'0000FFFE'),
  (2, CONCAT('nul', CHAR(0), 'byte'), CONCAT('ctrl-z', CHAR(26)), '\\0 is not a NUL', 'tab\there',
   'Ärger', X'', X''),
  (3, 'NULL', NULL, '', '', NULL, NULL, NULL),
  (4, '''; DROP DATABASE shop; --', '$$', 'DELIMITER ;', '/* not a comment */ -- nor this',
   'ÿ', X'27', X'5C'),
  (5, 'emoji 😀 and 日本語', '  leading and trailing  ', 'a\\nb', CONCAT(CHAR(0), CHAR(0)),
   '', X'00', REPEAT(X'00FF', 2000)),
  (6, '\\', '\\\\', '\'', '"', '`', X'60', X'22');

INSERT INTO `innodb ``hostile''` SELECT * FROM `it's a ``table``; DROP TABLE x; -- ü`;
