-- lossless.enums_dynamic as the server prints it, one line per row in primary key order.
SET time_zone = '+00:00';
SELECT `id`,
       `label`,
       ISNULL(`e`) AS `e.isnull`, `e` + 0 AS `e.index`, HEX(`e`) AS `e.hex`,
       ISNULL(`s`) AS `s.isnull`, `s` + 0 AS `s.index`, HEX(`s`) AS `s.hex`,
       ISNULL(`e300`) AS `e300.isnull`, `e300` + 0 AS `e300.index`, HEX(`e300`) AS `e300.hex`,
       ISNULL(`s64`) AS `s64.isnull`, `s64` + 0 AS `s64.index`, HEX(`s64`) AS `s64.hex`
  FROM `enums_dynamic`
 ORDER BY `id`;
