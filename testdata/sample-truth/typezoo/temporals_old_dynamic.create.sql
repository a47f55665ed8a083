CREATE TABLE `temporals_old_dynamic` (
  `id` tinyint(3) unsigned NOT NULL,
  `label` varchar(20) NOT NULL,
  `d` date DEFAULT NULL,
  `t` time /* mariadb-5.3 */ DEFAULT NULL,
  `t1` time(1) /* mariadb-5.3 */ DEFAULT NULL,
  `t3` time(3) /* mariadb-5.3 */ DEFAULT NULL,
  `t6` time(6) /* mariadb-5.3 */ DEFAULT NULL,
  `dt` datetime /* mariadb-5.3 */ DEFAULT NULL,
  `dt4` datetime(4) /* mariadb-5.3 */ DEFAULT NULL,
  `dt6` datetime(6) /* mariadb-5.3 */ DEFAULT NULL,
  `ts` timestamp /* mariadb-5.3 */ NULL DEFAULT NULL,
  `ts2` timestamp(2) /* mariadb-5.3 */ NULL DEFAULT NULL,
  `ts6` timestamp(6) /* mariadb-5.3 */ NULL DEFAULT NULL,
  `y` year(4) DEFAULT NULL,
  PRIMARY KEY (`id`)
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COLLATE=utf8mb4_general_ci ROW_FORMAT=DYNAMIC;
