CREATE TABLE `search_log` (
  `term` varchar(200) NOT NULL,
  `customer_id` int(10) unsigned DEFAULT NULL,
  `hits` smallint(5) unsigned NOT NULL DEFAULT 0,
  `searched_at` datetime(3) NOT NULL
) ENGINE=MyISAM DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=DYNAMIC;
