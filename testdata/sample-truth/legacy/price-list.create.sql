CREATE TABLE `price-list` (
  `artnr` int(10) unsigned NOT NULL,
  `bezeichnung` char(40) NOT NULL DEFAULT '',
  `preis` decimal(9,2) NOT NULL DEFAULT 0.00,
  `mwst` tinyint(3) unsigned NOT NULL DEFAULT 19,
  `gueltig_ab` date NOT NULL,
  `waehrung` char(3) NOT NULL DEFAULT 'DEM',
  PRIMARY KEY (`artnr`)
) ENGINE=MyISAM DEFAULT CHARSET=latin1 COLLATE=latin1_swedish_ci ROW_FORMAT=FIXED;
