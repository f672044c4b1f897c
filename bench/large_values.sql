-- One row holding a 64 MiB text and one holding a 64 MiB blob, for the peak
-- memory of a script run over the largest value MySQL stores in a row.
CREATE DATABASE IF NOT EXISTS velmora_bench CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci;
USE velmora_bench;
DROP TABLE IF EXISTS large_text, large_blob;
CREATE TABLE large_text (id INT NOT NULL PRIMARY KEY, body LONGTEXT NOT NULL) ENGINE=InnoDB;
CREATE TABLE large_blob (id INT NOT NULL PRIMARY KEY, body LONGBLOB NOT NULL) ENGINE=InnoDB;
SET @line = 'The quick brown fox jumps over the lazy dog: Größe, naïve café. ';
INSERT INTO large_text VALUES (1, REPEAT(@line, 67108864 DIV LENGTH(@line)));
INSERT INTO large_blob VALUES (1, REPEAT(UNHEX(SHA2('large', 256)), 67108864 DIV 32));
