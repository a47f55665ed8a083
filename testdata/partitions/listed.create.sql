CREATE TABLE `listed` (
  `id` int(11) NOT NULL,
  `cat` int(11) NOT NULL,
  `note` varchar(30) DEFAULT NULL,
  PRIMARY KEY (`id`,`cat`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci
 PARTITION BY LIST (`cat`)
(PARTITION `odd` VALUES IN (1,3) ENGINE = InnoDB,
 PARTITION `even` VALUES IN (2,4) ENGINE = InnoDB,
 PARTITION `zero-part` VALUES IN (0) ENGINE = InnoDB);
