CREATE TABLE `k8` (
  `id` int(11) NOT NULL,
  `grp` smallint(6) NOT NULL,
  `label` varchar(200) DEFAULT NULL,
  `stamp` datetime DEFAULT NULL,
  `amount` double DEFAULT NULL,
  PRIMARY KEY (`id`),
  KEY `by_grp` (`grp`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=COMPRESSED KEY_BLOCK_SIZE=8;
