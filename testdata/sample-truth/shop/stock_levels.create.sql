CREATE TABLE `stock_levels` (
  `product_id` smallint(5) unsigned NOT NULL,
  `warehouse` char(4) CHARACTER SET latin1 COLLATE latin1_swedish_ci NOT NULL,
  `qty` int(11) NOT NULL DEFAULT 0,
  `reserved` int(10) unsigned NOT NULL DEFAULT 0,
  `updated_on` date NOT NULL,
  PRIMARY KEY (`warehouse`,`product_id`)
) ENGINE=MyISAM DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=FIXED;
