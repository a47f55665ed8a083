CREATE TABLE `event_log` (
  `id` int(10) unsigned NOT NULL AUTO_INCREMENT,
  `ev_date` date DEFAULT NULL,
  `ev_time` time /* mariadb-5.3 */ DEFAULT NULL,
  `ev_time_ms` time(3) /* mariadb-5.3 */ DEFAULT NULL,
  `ev_at` datetime /* mariadb-5.3 */ DEFAULT NULL,
  `ev_at_us` datetime(6) /* mariadb-5.3 */ DEFAULT NULL,
  `ev_ts` timestamp /* mariadb-5.3 */ NULL DEFAULT NULL,
  `ev_ts_cs` timestamp(2) /* mariadb-5.3 */ NULL DEFAULT NULL,
  `level` enum('debug','info','warn','error') NOT NULL DEFAULT 'info',
  `message` varchar(255) NOT NULL,
  PRIMARY KEY (`id`),
  KEY `ev_at` (`ev_at`)
) ENGINE=MyISAM AUTO_INCREMENT=206 DEFAULT CHARSET=latin1 COLLATE=latin1_swedish_ci;
