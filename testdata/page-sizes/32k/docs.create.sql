CREATE TABLE `docs` (
  `id` int(11) NOT NULL,
  `title` varchar(30) NOT NULL,
  `body` mediumtext DEFAULT NULL,
  `data` mediumblob DEFAULT NULL,
  PRIMARY KEY (`id`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=DYNAMIC;
