CREATE TABLE `appointments` (
  `id` int(10) unsigned NOT NULL,
  `kdnr` int(10) unsigned NOT NULL,
  `beginn` datetime /* mariadb-5.3 */ NOT NULL,
  `dauer` time /* mariadb-5.3 */ NOT NULL,
  `erinnert` timestamp /* mariadb-5.3 */ NULL DEFAULT NULL,
  `bemerkung` varchar(200) DEFAULT NULL,
  PRIMARY KEY (`id`),
  KEY `kdnr` (`kdnr`,`beginn`)
) ENGINE=InnoDB DEFAULT CHARSET=latin1 COLLATE=latin1_swedish_ci ROW_FORMAT=COMPACT;
