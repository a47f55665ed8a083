-- lossless.strings_compact__deleted as the server prints it, one line per row in primary key order.
SET time_zone = '+00:00';
SELECT `id`,
       `label`,
       ISNULL(`v`) AS `v.isnull`, HEX(`v`) AS `v.hex`,
       ISNULL(`c`) AS `c.isnull`, HEX(`c`) AS `c.hex`,
       ISNULL(`t`) AS `t.isnull`, HEX(`t`) AS `t.hex`,
       ISNULL(`l`) AS `l.isnull`, HEX(`l`) AS `l.hex`
  FROM `strings_compact__deleted`
 ORDER BY `id`;
