// The keyed-table layer on SQLite lands here.
