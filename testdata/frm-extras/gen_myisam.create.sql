CREATE TABLE `gen_myisam` (
  `id` int(11) NOT NULL,
  `a` int(11) DEFAULT NULL,
  `b` varchar(20) DEFAULT NULL,
  `v_sum` int(11) GENERATED ALWAYS AS (`a` * 2 + `id`) VIRTUAL,
  `s_up` varchar(40) GENERATED ALWAYS AS (concat(ucase(`b`),'!')) STORED,
  `v_idx` int(11) GENERATED ALWAYS AS (`a` + 1000) VIRTUAL,
  `created` datetime DEFAULT (TIMESTAMP'2020-01-02 03:04:05' + interval 1 day),
  `qty` int(11) DEFAULT (1 + 2) CHECK (`qty` >= 0),
  `doc` longtext CHARACTER SET utf8mb4 COLLATE utf8mb4_bin DEFAULT NULL CHECK (json_valid(`doc`)),
  `secret` varchar(10) CHARACTER SET latin1 COLLATE latin1_swedish_ci INVISIBLE DEFAULT 'hidden',
  `tail` smallint(6) DEFAULT NULL,
  PRIMARY KEY (`id`),
  KEY `k_vidx` (`v_idx`),
  CONSTRAINT `a_below` CHECK (`a` < 100000)
) ENGINE=MyISAM DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci;
