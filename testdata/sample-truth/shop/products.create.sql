CREATE TABLE `products` (
  `id` smallint(5) unsigned NOT NULL AUTO_INCREMENT,
  `sku` char(12) CHARACTER SET ascii COLLATE ascii_general_ci NOT NULL,
  `name` varchar(200) NOT NULL,
  `price` decimal(10,2) NOT NULL,
  `weight_kg` float DEFAULT NULL,
  `stock_status` enum('in_stock','low','sold_out','discontinued') NOT NULL DEFAULT 'in_stock',
  `tags` set('kitchen','bath','garden','sale','new','eco','bestseller','gift','bulky','fragile') DEFAULT NULL,
  `description` text DEFAULT NULL,
  `image` mediumblob DEFAULT NULL,
  PRIMARY KEY (`id`),
  UNIQUE KEY `sku` (`sku`),
  KEY `name_prefix` (`name`(20))
) ENGINE=InnoDB AUTO_INCREMENT=121 DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=COMPACT;
