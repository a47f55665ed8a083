CREATE TABLE `accounts` (
  `login` varchar(32) NOT NULL,
  `pw_hash` char(32) NOT NULL,
  `kdnr` int(10) unsigned DEFAULT NULL,
  `active` tinyint(1) NOT NULL DEFAULT 1,
  `created` date NOT NULL,
  `note` varchar(300) DEFAULT NULL,
  PRIMARY KEY (`login`),
  KEY `kdnr` (`kdnr`)
) ENGINE=InnoDB DEFAULT CHARSET=latin1 COLLATE=latin1_swedish_ci ROW_FORMAT=DYNAMIC;
