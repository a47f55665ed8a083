-- lossless.longs_dynamic__deleted as the server prints it, one line per row in primary key order.
SET time_zone = '+00:00';
SELECT `id`,
       `label`,
       ISNULL(`lt`) AS `lt.isnull`, LENGTH(`lt`) AS `lt.bytes`, SHA2(`lt`, 256) AS `lt.sha256`,
       ISNULL(`lb`) AS `lb.isnull`, LENGTH(`lb`) AS `lb.bytes`, SHA2(`lb`, 256) AS `lb.sha256`
  FROM `longs_dynamic__deleted`
 ORDER BY `id`;
