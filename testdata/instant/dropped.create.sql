CREATE TABLE `dropped` (
  `id` int(11) NOT NULL,
  `a` int(11) DEFAULT NULL,
  `c` int(11) NOT NULL DEFAULT 7,
  `d` varchar(5) DEFAULT 'dd',
  PRIMARY KEY (`id`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=COMPACT;
