CREATE TABLE `blobs_myisam` (
  `id` smallint(5) unsigned NOT NULL,
  `title` varchar(100) NOT NULL,
  `body` longtext DEFAULT NULL,
  `data` longblob DEFAULT NULL,
  `memo` varchar(20000) CHARACTER SET latin1 COLLATE latin1_swedish_ci DEFAULT NULL,
  PRIMARY KEY (`id`),
  KEY `title` (`title`)
) ENGINE=MyISAM DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=DYNAMIC;
