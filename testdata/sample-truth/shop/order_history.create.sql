CREATE TABLE `order_history` (
  `order_id` int(10) unsigned NOT NULL,
  `old_status` varchar(16) DEFAULT NULL,
  `new_status` varchar(16) NOT NULL,
  `note` varchar(255) DEFAULT NULL,
  `changed_at` timestamp NOT NULL DEFAULT current_timestamp()
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=DYNAMIC;
