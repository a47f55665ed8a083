CREATE TABLE `temporals_myisam` (
  `id` int(11) NOT NULL,
  `label` varchar(60) NOT NULL,
  `ts0` timestamp NULL DEFAULT NULL,
  `ts6` timestamp(6) NULL DEFAULT NULL,
  `dt6` datetime(6) DEFAULT NULL,
  `t6` time(6) DEFAULT NULL,
  `d` date DEFAULT NULL,
  `y` year(4) DEFAULT NULL,
  PRIMARY KEY (`id`)
) ENGINE=MyISAM DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=DYNAMIC;
