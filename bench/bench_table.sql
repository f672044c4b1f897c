-- The benchmark's table: integers, decimals, dates, short and long text with
-- non-ASCII letters, small blobs and NULLs. bench/run.sh puts the range of ids
-- to add in place of FIRST_ID and LAST_ID and runs it once per range.
CREATE DATABASE IF NOT EXISTS velmora_bench CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci;
USE velmora_bench;
CREATE TABLE IF NOT EXISTS bench_rows (
  id INT UNSIGNED NOT NULL,
  quantity SMALLINT NULL,
  total BIGINT NOT NULL,
  price DECIMAL(12,2) NULL,
  ratio DOUBLE NULL,
  born DATE NULL,
  stamp DATETIME NOT NULL,
  code VARCHAR(24) NOT NULL,
  city VARCHAR(60) NULL,
  note TEXT NULL,
  digest VARBINARY(32) NULL,
  PRIMARY KEY (id)
) ENGINE=InnoDB;

INSERT INTO bench_rows
SELECT seq,
       IF(seq % 11 = 0, NULL, CAST(seq % 30000 AS SIGNED) - 15000),
       CAST(seq AS SIGNED) * 1000003 - 500000000000,
       IF(seq % 13 = 0, NULL, (seq % 1000000) / 100),
       IF(seq % 17 = 0, NULL, seq / 7.0),
       IF(seq % 19 = 0, NULL, DATE('1950-01-01') + INTERVAL (seq % 25000) DAY),
       TIMESTAMP('2020-01-01 00:00:00') + INTERVAL seq SECOND,
       CONCAT('SKU-', LPAD(seq, 9, '0')),
       ELT(1 + seq % 6, 'München', 'Zürich', 'Kraków', 'São Paulo', 'Reykjavík', NULL),
       IF(seq % 5 = 0, NULL,
          REPEAT(CONCAT('Größe ', seq, ' — naïve café, Ærøskøbing; '), 1 + seq % 6)),
       IF(seq % 7 = 0, NULL, UNHEX(SHA2(seq, 256)))
FROM seq_FIRST_ID_to_LAST_ID;
