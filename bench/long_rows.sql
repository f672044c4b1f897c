-- A table of large values for the direct path: ROWS rows, each holding a text
-- of 20 KiB (20,480 characters, some of them not ASCII), more than a driver
-- takes in one value of a bulk copy. bench/direct_run.sh puts the row count
-- in place of ROWS.
CREATE DATABASE IF NOT EXISTS velmora_bench CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci;
USE velmora_bench;
DROP TABLE IF EXISTS long_rows;
CREATE TABLE long_rows (
  id INT UNSIGNED NOT NULL,
  body MEDIUMTEXT NOT NULL,
  PRIMARY KEY (id)
) ENGINE=InnoDB;
INSERT INTO long_rows (id, body)
SELECT seq, CONCAT(LPAD(seq, 10, '0'), ' Größe ', REPEAT(SUBSTRING(MD5(seq), 1, 16), 1278), REPEAT('x', 15))
FROM seq_1_to_ROWS;
