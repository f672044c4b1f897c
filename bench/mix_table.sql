-- The second benchmark table: a wide integer, an exact decimal, a double,
-- microsecond times, two short texts with non-ASCII letters, a long text, a
-- small blob and a nullable integer. bench/run.sh puts the range of ids to add
-- in place of FIRST_ID and LAST_ID and runs it once per range.
CREATE DATABASE IF NOT EXISTS velmora_bench CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci;
USE velmora_bench;
CREATE TABLE IF NOT EXISTS mix_rows (
  id BIGINT NOT NULL,
  amount DECIMAL(12,3) NOT NULL,
  ratio DOUBLE NOT NULL,
  stamp DATETIME(6) NOT NULL,
  name VARCHAR(40) NOT NULL,
  city VARCHAR(60) NOT NULL,
  note TEXT NOT NULL,
  digest VARBINARY(32) NOT NULL,
  score INT NULL,
  PRIMARY KEY (id)
) ENGINE=InnoDB;

INSERT INTO mix_rows
SELECT CAST(seq AS SIGNED) * 1000003 - 500000000000,
       (seq % 100000000) / 1000,
       seq / 7.0,
       TIMESTAMP('2020-01-01 00:00:00') + INTERVAL seq * 1000037 MICROSECOND,
       CONCAT(ELT(1 + seq % 4, 'Jürgen', 'Åsa', 'Zoë', 'Łukasz'), ' ', seq),
       ELT(1 + seq % 5, 'München', 'Zürich', 'Kraków', 'São Paulo', 'Reykjavík'),
       REPEAT(CONCAT('Größe ', seq, ' — naïve café; '), 1 + seq % 4),
       UNHEX(SHA2(seq, 256)),
       IF(seq % 3 = 0, NULL, CAST(seq % 100000 AS SIGNED) - 50000)
FROM seq_FIRST_ID_to_LAST_ID;
