CREATE TABLE `items` (
  `id` int(11) NOT NULL,
  `name` varchar(40) NOT NULL,
  `qty` int(11) DEFAULT NULL,
  `price` decimal(8,2) NOT NULL,
  `made` datetime NOT NULL,
  PRIMARY KEY (`id`),
  KEY `by_name` (`name`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=DYNAMIC;
