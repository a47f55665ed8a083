-- lossless.charsets_native_compact as the server prints it, one line per row in primary key order.
SET time_zone = '+00:00';
SELECT `id`,
       `label`,
       ISNULL(`c_sjis`) AS `c_sjis.isnull`, HEX(`c_sjis`) AS `c_sjis.hex`,
       ISNULL(`c_ujis`) AS `c_ujis.isnull`, HEX(`c_ujis`) AS `c_ujis.hex`,
       ISNULL(`c_cp932`) AS `c_cp932.isnull`, HEX(`c_cp932`) AS `c_cp932.hex`,
       ISNULL(`c_eucjpms`) AS `c_eucjpms.isnull`, HEX(`c_eucjpms`) AS `c_eucjpms.hex`,
       ISNULL(`c_big5`) AS `c_big5.isnull`, HEX(`c_big5`) AS `c_big5.hex`,
       ISNULL(`c_armscii8`) AS `c_armscii8.isnull`, HEX(`c_armscii8`) AS `c_armscii8.hex`
  FROM `charsets_native_compact`
 ORDER BY `id`;
