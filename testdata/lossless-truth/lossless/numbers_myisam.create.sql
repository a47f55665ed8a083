CREATE TABLE `numbers_myisam` (
  `id` int(11) NOT NULL,
  `label` varchar(60) NOT NULL,
  `f` float DEFAULT NULL,
  `d` double DEFAULT NULL,
  `dc` decimal(65,30) DEFAULT NULL,
  PRIMARY KEY (`id`)
) ENGINE=MyISAM DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=DYNAMIC;
