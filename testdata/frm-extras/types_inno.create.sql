CREATE TABLE `types_inno` (
  `id` int(11) NOT NULL,
  `u` uuid DEFAULT NULL,
  `ip6` inet6 DEFAULT NULL,
  `ip4` inet4 DEFAULT NULL,
  `u_nn` uuid NOT NULL,
  PRIMARY KEY (`id`),
  KEY `k_u` (`u`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;
