-- lossless.numbers_myisam as the server prints it, one line per row in primary key order.
SET time_zone = '+00:00';
SELECT `id`,
       `label`,
       ISNULL(`f`) AS `f.isnull`, CAST(`f` AS DOUBLE) AS `f.value`, ATAN2(`f`, -1) < 0 AS `f.negative`,
       ISNULL(`d`) AS `d.isnull`, `d` AS `d.value`, ATAN2(`d`, -1) < 0 AS `d.negative`,
       ISNULL(`dc`) AS `dc.isnull`, `dc` AS `dc.value`
  FROM `numbers_myisam`
 ORDER BY `id`;
