CREATE TABLE `gift-cards` (
  `code` char(16) CHARACTER SET ascii COLLATE ascii_general_ci NOT NULL,
  `balance` decimal(8,2) NOT NULL,
  `issued_on` date NOT NULL,
  `expires_on` date DEFAULT NULL,
  `customer_id` int(10) unsigned DEFAULT NULL,
  PRIMARY KEY (`code`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;
