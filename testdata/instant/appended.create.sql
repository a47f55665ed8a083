CREATE TABLE `appended` (
  `id` int(11) NOT NULL,
  `name` varchar(20) NOT NULL,
  `qty` int(11) DEFAULT NULL,
  `note` varchar(30) NOT NULL DEFAULT 'none',
  `extra` int(11) DEFAULT NULL,
  `stamp` datetime NOT NULL DEFAULT '2024-05-06 07:08:09',
  `price` decimal(8,2) DEFAULT -12.50,
  PRIMARY KEY (`id`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=DYNAMIC;
