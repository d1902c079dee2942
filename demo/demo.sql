-- The demo database of QUORVANT: a small sales office with Japanese and ASCII names,
-- primary keys, unique indexes, a view, and one table of 100,000 rows for trying fetch
-- suspend / resume and export. Load with: sqlite3 demo.db < demo.sql
PRAGMA foreign_keys = ON;
BEGIN;

CREATE TABLE 部署 (
    部署コード CHAR(4) NOT NULL PRIMARY KEY,
    部署名 VARCHAR(40) NOT NULL,
    所在地 VARCHAR(40)
);
CREATE UNIQUE INDEX 部署_部署名 ON 部署 (部署名);

CREATE TABLE 社員 (
    社員番号 INTEGER NOT NULL PRIMARY KEY,
    氏名 VARCHAR(40) NOT NULL,
    ふりがな VARCHAR(60),
    部署コード CHAR(4) NOT NULL REFERENCES 部署 (部署コード),
    入社日 DATE NOT NULL,
    給与 NUMERIC(10, 0),
    email VARCHAR(80) NOT NULL
);
CREATE UNIQUE INDEX 社員_email ON 社員 (email);

CREATE TABLE customers (
    customer_id INTEGER NOT NULL PRIMARY KEY,
    company_name VARCHAR(80) NOT NULL,
    prefecture VARCHAR(10) NOT NULL,
    phone VARCHAR(20),
    created_at TIMESTAMP NOT NULL
);

CREATE TABLE products (
    product_id INTEGER NOT NULL PRIMARY KEY,
    product_code CHAR(8) NOT NULL,
    product_name VARCHAR(60) NOT NULL,
    category VARCHAR(20) NOT NULL,
    unit_price NUMERIC(10, 2) NOT NULL
);
CREATE UNIQUE INDEX products_code ON products (product_code);

CREATE TABLE orders (
    order_id INTEGER NOT NULL PRIMARY KEY,
    customer_id INTEGER NOT NULL REFERENCES customers (customer_id),
    社員番号 INTEGER NOT NULL REFERENCES 社員 (社員番号),
    order_date DATE NOT NULL,
    status VARCHAR(10) NOT NULL,
    note VARCHAR(200)
);

CREATE TABLE order_lines (
    order_id INTEGER NOT NULL REFERENCES orders (order_id),
    line_no INTEGER NOT NULL,
    product_id INTEGER NOT NULL REFERENCES products (product_id),
    quantity INTEGER NOT NULL,
    unit_price NUMERIC(10, 2) NOT NULL
);
CREATE UNIQUE INDEX order_lines_key ON order_lines (order_id, line_no);

CREATE TABLE access_log (
    log_id INTEGER NOT NULL PRIMARY KEY,
    logged_at TIMESTAMP NOT NULL,
    host VARCHAR(40) NOT NULL,
    method VARCHAR(8) NOT NULL,
    path VARCHAR(120) NOT NULL,
    status INTEGER NOT NULL,
    bytes INTEGER NOT NULL,
    elapsed_ms NUMERIC(8, 1) NOT NULL,
    user_name VARCHAR(40),
    user_agent VARCHAR(80) NOT NULL
);

INSERT INTO 部署 VALUES
    ('D001', '営業一部', '東京都千代田区'),
    ('D002', '営業二部', '大阪府大阪市'),
    ('D003', '経理部', '東京都千代田区'),
    ('D004', '人事部', '東京都千代田区'),
    ('D005', '情報システム部', '神奈川県横浜市'),
    ('D006', '物流センター', '埼玉県川口市'),
    ('D007', '名古屋営業所', '愛知県名古屋市'),
    ('D008', '福岡営業所', '福岡県福岡市');

WITH
    sei(i, kanji, kana) AS (VALUES
        (0, '佐藤', 'さとう'), (1, '鈴木', 'すずき'), (2, '高橋', 'たかはし'),
        (3, '田中', 'たなか'), (4, '伊藤', 'いとう'), (5, '渡辺', 'わたなべ'),
        (6, '山本', 'やまもと'), (7, '中村', 'なかむら'), (8, '小林', 'こばやし'),
        (9, '加藤', 'かとう'), (10, '吉田', 'よしだ'), (11, '山田', 'やまだ')),
    mei(i, kanji, kana, roma) AS (VALUES
        (0, '太郎', 'たろう', 'taro'), (1, '花子', 'はなこ', 'hanako'),
        (2, '健一', 'けんいち', 'kenichi'), (3, '美咲', 'みさき', 'misaki'),
        (4, '翔太', 'しょうた', 'shota'), (5, '陽子', 'ようこ', 'yoko'),
        (6, '大輔', 'だいすけ', 'daisuke'), (7, '真由美', 'まゆみ', 'mayumi'),
        (8, '拓也', 'たくや', 'takuya'), (9, '恵', 'めぐみ', 'megumi')),
    n(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM n WHERE k < 120)
INSERT INTO 社員
SELECT 1000 + k,
       sei.kanji || ' ' || mei.kanji,
       sei.kana || ' ' || mei.kana,
       'D00' || (1 + k % 8),
       date('2005-04-01', '+' || (k * 37 % 6500) || ' days'),
       CASE WHEN k % 17 = 0 THEN NULL ELSE 220000 + (k * 7919 % 380) * 1000 END,
       mei.roma || '.' || (1000 + k) || '@example.co.jp'
FROM n JOIN sei ON sei.i = k % 12 JOIN mei ON mei.i = (k / 12) % 10;

WITH
    pref(i, name) AS (VALUES
        (0, '東京都'), (1, '大阪府'), (2, '神奈川県'), (3, '愛知県'), (4, '福岡県'),
        (5, '北海道'), (6, '宮城県'), (7, '広島県'), (8, '京都府'), (9, '埼玉県')),
    word(i, w) AS (VALUES
        (0, 'Sakura'), (1, 'Fuji'), (2, 'Asahi'), (3, 'Midori'), (4, 'Hikari'),
        (5, '北斗'), (6, '大和'), (7, '青葉'), (8, '若葉'), (9, '東亜')),
    kind(i, w) AS (VALUES (0, ' Trading'), (1, '商事'), (2, '工業'), (3, ' Systems'),
        (4, '物産'), (5, '製作所'), (6, ' Foods'), (7, '電機')),
    n(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM n WHERE k < 200)
INSERT INTO customers
SELECT k,
       word.w || kind.w || CASE WHEN k > 80 THEN ' ' || k ELSE '' END,
       pref.name,
       CASE WHEN k % 9 = 0 THEN NULL
            ELSE '0' || (3 + k % 7) || '-' || (1000 + k * 31 % 9000) || '-' || (1000 + k * 17 % 9000) END,
       datetime('2015-01-01 09:00:00', '+' || (k * 13) || ' days', '+' || (k * 7 % 480) || ' minutes')
FROM n JOIN pref ON pref.i = k % 10 JOIN word ON word.i = k % 10 JOIN kind ON kind.i = (k / 10) % 8;

WITH
    item(i, name, category, base) AS (VALUES
        (0, 'ボールペン', '文房具', 120), (1, 'ノート A4', '文房具', 180),
        (2, 'Laser Printer', 'OA機器', 24800), (3, 'オフィスチェア', '家具', 15800),
        (4, 'コピー用紙', 'Paper', 480), (5, '緑茶 500ml', '飲料', 150),
        (6, 'Office Suite', 'Software', 9800), (7, 'ホッチキス', '文房具', 650),
        (8, 'デスク', '家具', 32000), (9, 'USB メモリ 32GB', 'OA機器', 1280)),
    n(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM n WHERE k < 60)
INSERT INTO products
SELECT k,
       'P' || substr('0000000' || k, -7, 7),
       item.name || ' ' || char(65 + k / 10) || '-' || (k % 10 + 1),
       item.category,
       round(item.base * (1 + (k / 10) * 0.15), 2)
FROM n JOIN item ON item.i = k % 10;

WITH n(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM n WHERE k < 300)
INSERT INTO orders
SELECT 50000 + k,
       1 + (k * 7) % 200,
       1001 + (k * 11) % 120,
       date('2023-01-04', '+' || (k * 2) || ' days'),
       CASE k % 5 WHEN 0 THEN '取消' WHEN 1 THEN '受注' ELSE '出荷済' END,
       CASE WHEN k % 4 = 0 THEN '午前中配達希望' WHEN k % 11 = 0 THEN 'Leave at reception' END
FROM n;

WITH
    n(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM n WHERE k < 300),
    l(j) AS (VALUES (1), (2), (3))
INSERT INTO order_lines
SELECT 50000 + k, j, p.product_id, 1 + (k * j) % 12, p.unit_price
FROM n JOIN l ON j <= 1 + k % 3 JOIN products p ON p.product_id = 1 + (k * 5 + j * 3) % 60;

CREATE VIEW v_受注明細 AS
SELECT o.order_id, o.order_date, c.company_name, s.氏名 AS 担当者, p.product_name,
       l.quantity, l.unit_price, l.quantity * l.unit_price AS amount
FROM orders o
JOIN customers c ON c.customer_id = o.customer_id
JOIN 社員 s ON s.社員番号 = o.社員番号
JOIN order_lines l ON l.order_id = o.order_id
JOIN products p ON p.product_id = l.product_id;

WITH n(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM n WHERE k < 100000)
INSERT INTO access_log
SELECT k,
       datetime('2026-01-01 00:00:00', '+' || (k * 29) || ' seconds'),
       '10.0.' || (k % 16) || '.' || (1 + k * 7 % 250),
       CASE WHEN k % 10 < 7 THEN 'GET' WHEN k % 10 < 9 THEN 'POST' ELSE 'PUT' END,
       '/api/v1/' || CASE k % 4 WHEN 0 THEN 'orders/' WHEN 1 THEN 'customers/'
                               WHEN 2 THEN 'products/' ELSE 'search?q=' END || (k * 13 % 5000),
       CASE WHEN k % 97 = 0 THEN 500 WHEN k % 23 = 0 THEN 404 WHEN k % 11 = 0 THEN 302 ELSE 200 END,
       200 + (k * 7919) % 48000,
       round(((k * 104729) % 9000) / 10.0 + 0.3, 1),
       CASE WHEN k % 3 = 0 THEN NULL ELSE 'user' || (k % 120) END,
       CASE k % 3 WHEN 0 THEN 'Mozilla/5.0 (X11; Linux x86_64)' WHEN 1 THEN 'curl/7.88.1'
                  ELSE 'QUORVANT/2.5' END
FROM n;

COMMIT;
