// Runs the SQL on standard input in DuckDB, statement by statement, in the
// current folder; writes as JSON a list of each statement's columns and rows
// (integers as numbers), or {"error": message} and exit code 1.
import { readFileSync } from 'node:fs';
import { DuckDBInstance } from '@duckdb/node-api';

const plain = (key, value) => (typeof value === 'bigint' ? Number(value) : value);

try {
  const connection = await (await DuckDBInstance.create(':memory:')).connect();
  const statements = await connection.extractStatements(readFileSync(0, 'utf8'));
  const results = [];
  for (let i = 0; i < statements.count; i++) {
    const reader = await (await statements.prepare(i)).runAndReadAll();
    results.push({ columns: reader.columnNames(), rows: reader.getRowsJS() });
  }
  process.stdout.write(JSON.stringify(results, plain));
} catch (error) {
  process.stdout.write(JSON.stringify({ error: String(error) }));
  process.exitCode = 1;
}
