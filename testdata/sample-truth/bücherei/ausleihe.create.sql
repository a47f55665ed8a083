CREATE TABLE `ausleihe` (
  `leser` varchar(80) NOT NULL,
  `buch_id` smallint(5) unsigned NOT NULL,
  `ausgeliehen_am` date NOT NULL,
  `zurückgegeben_am` date DEFAULT NULL,
  `gebühr` decimal(5,2) NOT NULL DEFAULT 0.00,
  PRIMARY KEY (`buch_id`,`ausgeliehen_am`),
  KEY `leser` (`leser`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_unicode_ci ROW_FORMAT=DYNAMIC;
