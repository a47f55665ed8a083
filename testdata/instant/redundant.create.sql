CREATE TABLE `redundant` (
  `id` int(11) NOT NULL,
  `b` int(11) NOT NULL,
  `c` int(11) DEFAULT 42,
  PRIMARY KEY (`id`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=REDUNDANT;
