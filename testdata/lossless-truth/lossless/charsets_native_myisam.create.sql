CREATE TABLE `charsets_native_myisam` (
  `id` int(11) NOT NULL,
  `label` varchar(40) NOT NULL,
  `c_sjis` varchar(40) CHARACTER SET sjis COLLATE sjis_japanese_ci DEFAULT NULL,
  `c_ujis` varchar(40) CHARACTER SET ujis COLLATE ujis_japanese_ci DEFAULT NULL,
  `c_cp932` varchar(40) CHARACTER SET cp932 COLLATE cp932_japanese_ci DEFAULT NULL,
  `c_eucjpms` varchar(40) CHARACTER SET eucjpms COLLATE eucjpms_japanese_ci DEFAULT NULL,
  `c_big5` varchar(40) CHARACTER SET big5 COLLATE big5_chinese_ci DEFAULT NULL,
  `c_armscii8` varchar(40) CHARACTER SET armscii8 COLLATE armscii8_general_ci DEFAULT NULL,
  PRIMARY KEY (`id`)
) ENGINE=MyISAM DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=DYNAMIC;
