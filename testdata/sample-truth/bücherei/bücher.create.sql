CREATE TABLE `bücher` (
  `id` smallint(5) unsigned NOT NULL AUTO_INCREMENT,
  `titel` varchar(200) NOT NULL,
  `autor` varchar(100) NOT NULL,
  `erscheinungsjahr` year(4) DEFAULT NULL,
  `isbn` char(13) CHARACTER SET ascii COLLATE ascii_general_ci DEFAULT NULL,
  `schlagwörter` set('roman','krimi','lyrik','sachbuch','kinderbuch','klassiker','fantasy','biografie','reise') DEFAULT NULL,
  PRIMARY KEY (`id`),
  UNIQUE KEY `isbn` (`isbn`),
  KEY `autor` (`autor`)
) ENGINE=MyISAM AUTO_INCREMENT=31 DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci ROW_FORMAT=DYNAMIC;
