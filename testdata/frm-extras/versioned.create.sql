CREATE TABLE `versioned` (
  `id` int(11) NOT NULL,
  `name` varchar(20) DEFAULT NULL,
  `n` int(11) DEFAULT NULL,
  PRIMARY KEY (`id`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci WITH SYSTEM VERSIONING;
