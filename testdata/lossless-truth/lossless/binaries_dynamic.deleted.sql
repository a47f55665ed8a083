-- lossless.binaries_dynamic__deleted as the server prints it, one line per row in primary key order.
SET time_zone = '+00:00';
SELECT `id`,
       `label`,
       ISNULL(`vb`) AS `vb.isnull`, HEX(`vb`) AS `vb.hex`,
       ISNULL(`b`) AS `b.isnull`, HEX(`b`) AS `b.hex`,
       ISNULL(`bn`) AS `bn.isnull`, HEX(`bn`) AS `bn.hex`,
       ISNULL(`tb`) AS `tb.isnull`, HEX(`tb`) AS `tb.hex`
  FROM `binaries_dynamic__deleted`
 ORDER BY `id`;
