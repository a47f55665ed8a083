CREATE TABLE `kunden` (
  `kdnr` int(10) unsigned NOT NULL AUTO_INCREMENT,
  `name` varchar(80) NOT NULL,
  `vorname` varchar(60) NOT NULL DEFAULT '',
  `strasse` varchar(120) DEFAULT NULL,
  `plz` char(5) DEFAULT NULL,
  `ort` varchar(60) DEFAULT NULL,
  `telefon` varchar(30) DEFAULT NULL,
  `bemerkung` text DEFAULT NULL,
  `angelegt` datetime /* mariadb-5.3 */ NOT NULL,
  `geaendert` timestamp /* mariadb-5.3 */ NULL DEFAULT NULL,
  PRIMARY KEY (`kdnr`),
  KEY `name` (`name`,`vorname`)
) ENGINE=MyISAM AUTO_INCREMENT=2601 DEFAULT CHARSET=latin1 COLLATE=latin1_swedish_ci ROW_FORMAT=DYNAMIC;
