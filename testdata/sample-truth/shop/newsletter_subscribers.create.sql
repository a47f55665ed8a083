CREATE TABLE `newsletter_subscribers` (
  `id` int(10) unsigned NOT NULL,
  `email` varchar(190) NOT NULL,
  `subscribed_on` date NOT NULL,
  `source` enum('web','shop','import') NOT NULL DEFAULT 'web',
  `confirmed` tinyint(1) NOT NULL DEFAULT 0,
  PRIMARY KEY (`id`),
  KEY `email` (`email`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=COMPACT;
