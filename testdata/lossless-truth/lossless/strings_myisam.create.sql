CREATE TABLE `strings_myisam` (
  `id` int(11) NOT NULL,
  `label` varchar(40) NOT NULL,
  `v` varchar(200) DEFAULT NULL,
  `c` char(40) DEFAULT NULL,
  `t` text DEFAULT NULL,
  `l` varchar(100) CHARACTER SET latin1 COLLATE latin1_swedish_ci DEFAULT NULL,
  PRIMARY KEY (`id`)
) ENGINE=MyISAM DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=DYNAMIC;
