-- Tables of the program's database (db/db.mdb, an SQLite 3 file).

CREATE TABLE defaultParameter (
    paramCd   TEXT NOT NULL PRIMARY KEY COLLATE NOCASE,
    paramDesc TEXT,
    valueFrom TEXT,
    valueTo   TEXT
);

CREATE TABLE baseItem (
    ItemId   INTEGER NOT NULL PRIMARY KEY,
    ItemName TEXT    NOT NULL,
    Category INTEGER NOT NULL,
    Unit     TEXT
);

CREATE TABLE baseData (
    ItemID     INTEGER NOT NULL,
    PeriodType INTEGER NOT NULL,
    Year       INTEGER NOT NULL,
    Period     INTEGER NOT NULL,
    Data       REAL    NOT NULL CHECK (typeof(Data) IN ('real', 'integer')),
    UNIQUE (ItemID, PeriodType, Year, Period)
);

CREATE TABLE indicatorItem (
    ItemID                INTEGER NOT NULL PRIMARY KEY,
    ItemName              TEXT    NOT NULL,
    Unit                  TEXT,
    HistoryBestLevel      REAL,
    StandardLevel         REAL,
    IndustryMeanLevel     REAL,
    IndustryLeadLevel     REAL,
    NationalStandardLevel REAL,
    InternationalLevel    REAL,
    Weight                REAL,
    Category              INTEGER NOT NULL
);
