CREATE TABLE `binaries_compact` (
  `id` tinyint(3) unsigned NOT NULL,
  `label` varchar(20) NOT NULL,
  `b` binary(8) DEFAULT NULL,
  `vb` varbinary(16) DEFAULT NULL,
  `vbl` varbinary(300) DEFAULT NULL,
  `tb` tinyblob DEFAULT NULL,
  `bl` blob DEFAULT NULL,
  `mb` mediumblob DEFAULT NULL,
  `lb` longblob DEFAULT NULL,
  PRIMARY KEY (`id`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=COMPACT;
