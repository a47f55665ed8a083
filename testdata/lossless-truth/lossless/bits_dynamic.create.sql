CREATE TABLE `bits_dynamic` (
  `id` int(11) NOT NULL,
  `label` varchar(40) NOT NULL,
  `b1` bit(1) DEFAULT NULL,
  `b7` bit(7) DEFAULT NULL,
  `b13` bit(13) DEFAULT NULL,
  `b64` bit(64) DEFAULT NULL,
  PRIMARY KEY (`id`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=DYNAMIC;
