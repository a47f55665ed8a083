CREATE TABLE `t_lz4` (
  `id` int(11) NOT NULL,
  `name` varchar(60) NOT NULL,
  `body` text DEFAULT NULL,
  PRIMARY KEY (`id`),
  KEY `by_name` (`name`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=DYNAMIC `PAGE_COMPRESSED`='1';
