CREATE TABLE `settings` (
  `name` varchar(64) NOT NULL,
  `value` varchar(1000) NOT NULL,
  UNIQUE KEY `name` (`name`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=COMPACT;
