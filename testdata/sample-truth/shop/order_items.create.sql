CREATE TABLE `order_items` (
  `line_no` tinyint(3) unsigned NOT NULL,
  `product_id` smallint(5) unsigned NOT NULL,
  `order_id` int(10) unsigned NOT NULL,
  `quantity` smallint(6) NOT NULL DEFAULT 1,
  `unit_price` decimal(10,2) NOT NULL,
  PRIMARY KEY (`order_id`,`line_no`),
  KEY `product` (`product_id`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=DYNAMIC;
