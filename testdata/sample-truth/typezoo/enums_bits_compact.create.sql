CREATE TABLE `enums_bits_compact` (
  `id` tinyint(3) unsigned NOT NULL,
  `label` varchar(20) NOT NULL,
  `size` enum('XS','S','M','L','XL') DEFAULT NULL,
  `color` enum('rot','grün','blau','schwarz/weiß') DEFAULT NULL,
  `flags` set('a','b','c','d') DEFAULT NULL,
  `days` set('mon','tue','wed','thu','fri','sat','sun','holiday','half-day','remote','night','on-call') DEFAULT NULL,
  `bit1` bit(1) DEFAULT NULL,
  `bit3` bit(3) DEFAULT NULL,
  `bit12` bit(12) DEFAULT NULL,
  `bit64` bit(64) DEFAULT NULL,
  PRIMARY KEY (`id`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=COMPACT;
