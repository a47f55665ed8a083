-- lossless.bits_compact__deleted as the server prints it, one line per row in primary key order.
SET time_zone = '+00:00';
SELECT `id`,
       `label`,
       ISNULL(`b1`) AS `b1.isnull`, `b1` + 0 AS `b1.value`,
       ISNULL(`b7`) AS `b7.isnull`, `b7` + 0 AS `b7.value`,
       ISNULL(`b13`) AS `b13.isnull`, `b13` + 0 AS `b13.value`,
       ISNULL(`b64`) AS `b64.isnull`, `b64` + 0 AS `b64.value`
  FROM `bits_compact__deleted`
 ORDER BY `id`;
