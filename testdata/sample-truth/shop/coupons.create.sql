CREATE TABLE `coupons` (
  `code` varchar(20) NOT NULL,
  `percent_off` tinyint(3) unsigned NOT NULL,
  `valid_from` date NOT NULL,
  `valid_to` date NOT NULL,
  `max_uses` smallint(5) unsigned DEFAULT NULL,
  `used` smallint(5) unsigned NOT NULL DEFAULT 0,
  PRIMARY KEY (`code`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=DYNAMIC;
