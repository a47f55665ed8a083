CREATE TABLE `longs_dynamic` (
  `id` int(11) NOT NULL,
  `label` varchar(60) NOT NULL,
  `lt` longtext DEFAULT NULL,
  `lb` longblob DEFAULT NULL,
  PRIMARY KEY (`id`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=DYNAMIC;
