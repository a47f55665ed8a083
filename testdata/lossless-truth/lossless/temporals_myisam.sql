-- lossless.temporals_myisam as the server prints it, one line per row in primary key order.
SET time_zone = '+00:00';
SELECT `id`,
       `label`,
       ISNULL(`ts0`) AS `ts0.isnull`, `ts0` AS `ts0.utc`, UNIX_TIMESTAMP(`ts0`) AS `ts0.unix`,
       ISNULL(`ts6`) AS `ts6.isnull`, `ts6` AS `ts6.utc`, UNIX_TIMESTAMP(`ts6`) AS `ts6.unix`,
       ISNULL(`dt6`) AS `dt6.isnull`, `dt6` AS `dt6.value`,
       ISNULL(`t6`) AS `t6.isnull`, `t6` AS `t6.value`,
       ISNULL(`d`) AS `d.isnull`, `d` AS `d.value`,
       ISNULL(`y`) AS `y.isnull`, `y` AS `y.value`
  FROM `temporals_myisam`
 ORDER BY `id`;
