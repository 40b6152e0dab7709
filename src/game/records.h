#pragma once

#include <string>

// The player's records across games, kept in records.txt in the player's data folder
// ($XDG_DATA_HOME/velmora). Plain text a person can read:
//
//   # Velmora records
//   games = 12
//   wins = 3
//   best-win-seconds = 41.25
//   most-removals-lost = 9
//
// best-win-seconds is there once a game has been won. Nothing in the file changes how the game plays.
struct Records
{
    int games = 0; // games that reached an outcome
    int wins = 0;
    bool hasBestWin = false;
    double bestWinSeconds = 0.0; // the quickest win, on the play clock (pauses left out)
    int mostRemovalsLost = 0;    // the most removals in a game that was lost
};

// What one game that reached its outcome adds.
struct GameResult
{
    bool won = false;
    double playSeconds = 0.0;
    int removals = 0;
};

// The file's text for records.
std::string formatRecords(const Records& records);

// Reads the file's text. False, with what is wrong in why, for anything that is not a whole records
// file: an unknown or repeated name, a bad number, a line without "=", a missing count. An empty
// text is no records yet.
bool parseRecords(const std::string& text, Records& records, std::string& why);

// Adds a result; true when it sets a record: the quickest win, or the most removals in a lost game.
bool addResult(Records& records, const GameResult& result);

// The records file of one player, shared by every game they run at once.
class RecordsFile
{
  public:
    // Takes the folder the file lives in, making it when missing, and reads what is there. An
    // unreadable or malformed file is named in one line and kept, renamed beside it, and the
    // records start afresh; a folder that cannot be written (or "", no home folder) gives one line
    // and the records stay off. Returns whether records are on.
    bool open(const std::string& folder);
    bool isOn() const { return on; }
    const Records& get() const { return records; }
    std::string getPath() const { return path; }

    // Adds a finished game. Under a lock shared with other games, the file is read again (another
    // game may have ended meanwhile), the result added to it, and the file replaced by a new one
    // written beside it, flushed and renamed over it, so a crash or a full disk at any moment leaves
    // the old records or the new, never a torn file. Returns whether the game set a record. A
    // failure gives one line and the game plays on.
    bool add(const GameResult& result);

  private:
    // Reads the file into latest; a bad file is set aside. False when it could not be read at all.
    bool readLatest(Records& latest);
    bool write(const Records& latest);

    bool on = false;
    std::string folder;
    std::string path;
    Records records;
};
