CREATE TABLE `artikel` (
  `id` smallint(5) unsigned NOT NULL AUTO_INCREMENT,
  `titel` varchar(200) NOT NULL,
  `text` text NOT NULL,
  PRIMARY KEY (`id`),
  FULLTEXT KEY `volltext` (`titel`,`text`)
) ENGINE=MyISAM AUTO_INCREMENT=31 DEFAULT CHARSET=latin1 COLLATE=latin1_swedish_ci;
