CREATE TABLE `orders` (
  `id` int(10) unsigned NOT NULL AUTO_INCREMENT,
  `customer_id` int(10) unsigned NOT NULL,
  `status` enum('new','paid','shipped','cancelled','returned') NOT NULL DEFAULT 'new',
  `ordered_at` datetime NOT NULL,
  `shipped_at` timestamp NULL DEFAULT NULL,
  `total` decimal(12,2) NOT NULL DEFAULT 0.00,
  `currency` char(3) CHARACTER SET ascii COLLATE ascii_general_ci NOT NULL DEFAULT 'EUR',
  `comment` varchar(500) DEFAULT NULL,
  PRIMARY KEY (`id`),
  KEY `customer` (`customer_id`),
  KEY `status_date` (`status`,`ordered_at`)
) ENGINE=InnoDB AUTO_INCREMENT=2601 DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=DYNAMIC;
