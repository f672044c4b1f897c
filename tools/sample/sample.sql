-- The project's own sample database: a small shop with most MySQL column types,
-- composite and unique indexes, foreign keys with rules and a view.
DROP DATABASE IF EXISTS velmora_sample;
CREATE DATABASE velmora_sample CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci;
USE velmora_sample;

CREATE TABLE customers (
  id INT UNSIGNED NOT NULL AUTO_INCREMENT,
  email VARCHAR(190) NOT NULL,
  full_name VARCHAR(120) NOT NULL,
  country CHAR(2) NOT NULL DEFAULT 'DE',
  birth_date DATE NULL,
  is_active TINYINT(1) NOT NULL DEFAULT 1,
  created_at TIMESTAMP NOT NULL DEFAULT CURRENT_TIMESTAMP,
  PRIMARY KEY (id),
  UNIQUE KEY uq_customers_email (email),
  KEY ix_customers_country_name (country, full_name)
) ENGINE=InnoDB;

CREATE TABLE categories (
  id SMALLINT NOT NULL AUTO_INCREMENT,
  parent_id SMALLINT NULL,
  name VARCHAR(80) NOT NULL,
  PRIMARY KEY (id),
  CONSTRAINT fk_categories_parent FOREIGN KEY (parent_id) REFERENCES categories (id)
    ON DELETE SET NULL ON UPDATE CASCADE
) ENGINE=InnoDB;

CREATE TABLE products (
  id INT NOT NULL AUTO_INCREMENT,
  category_id SMALLINT NOT NULL,
  sku BINARY(16) NOT NULL,
  title VARCHAR(200) NOT NULL,
  description TEXT NULL,
  price DECIMAL(10,2) UNSIGNED NOT NULL,
  weight_kg FLOAT NULL,
  rating DOUBLE NULL,
  stock MEDIUMINT UNSIGNED NOT NULL DEFAULT 0,
  status ENUM('draft','listed','retired') NOT NULL DEFAULT 'draft',
  tags SET('new','sale','eco') NULL,
  attributes JSON NULL,
  thumbnail BLOB NULL,
  PRIMARY KEY (id),
  UNIQUE KEY uq_products_sku (sku),
  KEY ix_products_category (category_id),
  CONSTRAINT fk_products_category FOREIGN KEY (category_id) REFERENCES categories (id)
) ENGINE=InnoDB;

CREATE TABLE orders (
  id BIGINT UNSIGNED NOT NULL AUTO_INCREMENT,
  customer_id INT UNSIGNED NOT NULL,
  ordered_at DATETIME(6) NOT NULL,
  ship_time TIME NULL,
  fiscal_year YEAR NULL,
  gift BIT(1) NOT NULL DEFAULT b'0',
  flags BIT(8) NOT NULL DEFAULT b'00000000',
  note VARCHAR(500) NULL,
  PRIMARY KEY (id),
  KEY ix_orders_customer_date (customer_id, ordered_at),
  CONSTRAINT fk_orders_customer FOREIGN KEY (customer_id) REFERENCES customers (id)
    ON DELETE CASCADE
) ENGINE=InnoDB;

CREATE TABLE order_items (
  order_id BIGINT UNSIGNED NOT NULL,
  line_no TINYINT UNSIGNED NOT NULL,
  product_id INT NOT NULL,
  quantity SMALLINT NOT NULL DEFAULT 1,
  unit_price DECIMAL(10,2) NOT NULL,
  PRIMARY KEY (order_id, line_no),
  KEY ix_order_items_product (product_id),
  CONSTRAINT fk_order_items_order FOREIGN KEY (order_id) REFERENCES orders (id)
    ON DELETE CASCADE ON UPDATE CASCADE,
  CONSTRAINT fk_order_items_product FOREIGN KEY (product_id) REFERENCES products (id)
) ENGINE=InnoDB;

CREATE TABLE stock_moves (
  id BIGINT NOT NULL AUTO_INCREMENT,
  product_id INT NOT NULL,
  delta INT NOT NULL,
  reason LONGTEXT NULL,
  payload LONGBLOB NULL,
  moved_on DATE NOT NULL,
  PRIMARY KEY (id),
  CONSTRAINT fk_stock_moves_product FOREIGN KEY (product_id) REFERENCES products (id)
) ENGINE=InnoDB;

INSERT INTO customers (id, email, full_name, country, birth_date, is_active, created_at) VALUES
  (1, 'anna@example.org', 'Anna Müller', 'DE', '1985-03-14', 1, '2024-01-05 10:00:00'),
  (2, 'jose@example.org', 'José Ñúñez', 'ES', NULL, 1, '2024-02-11 08:30:00'),
  (3, 'li@example.org', '李小龍', 'CN', '1990-11-27', 0, '2024-03-01 17:45:12'),
  (4, 'obrien@example.org', 'Seán O''Brien', 'IE', '1979-07-04', 1, '2024-04-20 12:00:00'),
  (5, 'emoji@example.org', 'Zoë 😀 Smile', 'GB', '2001-01-01', 1, '2024-05-30 23:59:59');

INSERT INTO categories (id, parent_id, name) VALUES
  (1, NULL, 'Kitchen'), (2, 1, 'Knives'), (3, 1, 'Pots & Pans'), (4, NULL, 'Garden');

INSERT INTO products VALUES
  (1, 2, UNHEX('00112233445566778899AABBCCDDEEFF'), 'Chef''s knife 20 cm', 'Forged steel, full tang.', 89.90, 0.25, 4.75, 12, 'listed', 'new,eco', '{"steel": "X50CrMoV15", "hand": "both"}', UNHEX('89504E470D0A1A0A')),
  (2, 3, UNHEX('0F0E0D0C0B0A09080706050403020100'), 'Cast-iron pan', NULL, 54.00, 2.4, NULL, 0, 'retired', NULL, NULL, NULL),
  (3, 4, UNHEX('A0A1A2A3A4A5A6A7A8A9AAABACADAEAF'), 'Gießkanne 10 l', 'Verzinkt — rostfrei', 19.99, 1.1, 3.5, 250, 'listed', 'sale', '[]', ''),
  (4, 2, UNHEX('000000000000000000000000000000FF'), 'Bread knife', 'Serrated edge', 35.50, NULL, 4.1, 40, 'draft', '', NULL, UNHEX('00FF00FF'));

INSERT INTO orders (id, customer_id, ordered_at, ship_time, fiscal_year, gift, flags, note) VALUES
  (1, 1, '2024-06-01 09:15:30.123456', '14:00:00', 2024, b'0', b'00000101', 'Bitte klingeln'),
  (2, 3, '2024-06-02 18:00:00.000000', NULL, 2024, b'1', b'10000000', NULL),
  (3, 4, '2024-06-03 07:05:00.500000', '08:30:00', 2024, b'0', b'00000000', 'Leave at the door, it''s fine'),
  (4, 5, '2024-12-31 23:59:59.999999', '23:00:00', 2025, b'1', b'11111111', '🎁 gift wrap');

INSERT INTO order_items VALUES
  (1, 1, 1, 1, 89.90), (1, 2, 3, 2, 19.99), (2, 1, 2, 1, 54.00),
  (3, 1, 4, 3, 35.50), (4, 1, 1, 1, 85.00), (4, 2, 4, 1, 35.50);

INSERT INTO stock_moves (product_id, delta, reason, payload, moved_on) VALUES
  (1, 20, 'initial stock', NULL, '2024-01-02'),
  (1, -8, 'sold', UNHEX('DEADBEEF'), '2024-06-30'),
  (3, 250, REPEAT('restock ', 100), NULL, '2024-03-15');

CREATE VIEW order_totals AS
  SELECT o.id AS order_id, c.full_name AS customer, SUM(i.quantity * i.unit_price) AS total
  FROM orders o
  JOIN customers c ON c.id = o.customer_id
  JOIN order_items i ON i.order_id = o.id
  GROUP BY o.id, c.full_name;
