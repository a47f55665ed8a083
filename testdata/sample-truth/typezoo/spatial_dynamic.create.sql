CREATE TABLE `spatial_dynamic` (
  `id` tinyint(3) unsigned NOT NULL,
  `label` varchar(20) NOT NULL,
  `pt` point DEFAULT NULL,
  `g` geometry DEFAULT NULL,
  PRIMARY KEY (`id`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=DYNAMIC;
