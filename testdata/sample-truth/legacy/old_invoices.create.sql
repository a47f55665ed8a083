CREATE TABLE `old_invoices` (
  `nr` int(10) unsigned NOT NULL,
  `kdnr` int(10) unsigned NOT NULL,
  `datum` date NOT NULL,
  `betrag` decimal(10,2) NOT NULL,
  `text` varchar(100) DEFAULT NULL,
  PRIMARY KEY (`nr`),
  KEY `kdnr` (`kdnr`)
) ENGINE=MyISAM DEFAULT CHARSET=latin1 COLLATE=latin1_swedish_ci;
