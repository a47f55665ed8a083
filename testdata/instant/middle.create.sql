CREATE TABLE `middle` (
  `n` smallint(5) unsigned DEFAULT 65535,
  `id` int(11) NOT NULL,
  `m` char(3) NOT NULL DEFAULT 'mmm',
  `a` varchar(10) DEFAULT NULL,
  `b` int(11) NOT NULL,
  PRIMARY KEY (`id`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=DYNAMIC;
