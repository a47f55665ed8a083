CREATE TABLE `keyed` (
  `id` int(11) NOT NULL,
  `v` varchar(20) DEFAULT NULL,
  PRIMARY KEY (`id`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci
 PARTITION BY KEY (`id`)
PARTITIONS 3;
