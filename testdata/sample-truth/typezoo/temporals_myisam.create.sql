CREATE TABLE `temporals_myisam` (
  `id` tinyint(3) unsigned NOT NULL,
  `label` varchar(20) NOT NULL,
  `d` date DEFAULT NULL,
  `t` time DEFAULT NULL,
  `t1` time(1) DEFAULT NULL,
  `t3` time(3) DEFAULT NULL,
  `t6` time(6) DEFAULT NULL,
  `dt` datetime DEFAULT NULL,
  `dt4` datetime(4) DEFAULT NULL,
  `dt6` datetime(6) DEFAULT NULL,
  `ts` timestamp NULL DEFAULT NULL,
  `ts2` timestamp(2) NULL DEFAULT NULL,
  `ts6` timestamp(6) NULL DEFAULT NULL,
  `y` year(4) DEFAULT NULL,
  PRIMARY KEY (`id`)
) ENGINE=MyISAM DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=DYNAMIC;
