CREATE TABLE `reordered` (
  `id` int(11) NOT NULL,
  `c` date DEFAULT NULL,
  `b` varchar(10) NOT NULL,
  `a` int(11) DEFAULT NULL,
  PRIMARY KEY (`id`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=DYNAMIC;
