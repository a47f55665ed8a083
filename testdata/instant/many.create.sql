CREATE TABLE `many` (
  `id` int(11) NOT NULL,
  `grp` int(11) NOT NULL,
  `added` int(11) NOT NULL DEFAULT 5,
  `label` varchar(40) DEFAULT NULL,
  PRIMARY KEY (`id`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=DYNAMIC;
