CREATE TABLE `binaries_compact` (
  `id` int(11) NOT NULL,
  `label` varchar(40) NOT NULL,
  `vb` varbinary(300) DEFAULT NULL,
  `b` blob DEFAULT NULL,
  `bn` binary(16) DEFAULT NULL,
  `tb` tinyblob DEFAULT NULL,
  PRIMARY KEY (`id`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=COMPACT;
