CREATE TABLE `old_payments` (
  `id` int(10) unsigned NOT NULL,
  `invoice_nr` int(10) unsigned NOT NULL,
  `paid_on` date NOT NULL,
  `amount` decimal(10,2) NOT NULL,
  `method` enum('bar','überweisung','scheck','karte') NOT NULL,
  PRIMARY KEY (`id`)
) ENGINE=MyISAM DEFAULT CHARSET=latin1 COLLATE=latin1_swedish_ci ROW_FORMAT=FIXED;
