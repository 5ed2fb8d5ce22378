#include "key_backup.h"

#include <gtest/gtest.h>
#include <string.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Outcome {
  BackupStatus status;
  int line;  // the line the reader names, or wants when the text ran out
  std::string key;
};

// Feeds text line by line; stops at the first failure.
Outcome Read(const std::string& text) {
  BackupReader reader;
  StartBackupReader(&reader);
  std::istringstream lines(text);
  std::string line;
  BackupStatus status = BACKUP_MORE;
  while (status == BACKUP_MORE && std::getline(lines, line)) status = ReadBackupLine(&reader, line.c_str());
  std::string key;
  if (status == BACKUP_COMPLETE) key.assign((const char*)reader.key, (size_t)reader.keySize);
  return {status, reader.line, key};
}

std::string RandomKey(std::mt19937& random) {
  std::string key(KEY_FILE_SIZE, '\0');
  for (int i = 0; i < KEY_POOL_LENGTH; ++i) key[i] = (char)(random() & 0xFF);
  return key;
}

// A sealed key's bytes as the backup sees them: the magic, then any bytes.
std::string RandomSealedKey(std::mt19937& random) {
  std::string key(SEALED_KEY_SIZE, '\0');
  memcpy(&key[0], SEALED_MAGIC, sizeof SEALED_MAGIC);
  for (int i = sizeof SEALED_MAGIC; i < SEALED_KEY_SIZE; ++i) key[i] = (char)(random() & 0xFF);
  return key;
}

std::string Backup(const std::string& key) {
  char text[BACKUP_TEXT_CAPACITY];
  size_t n = WriteKeyBackup((const unsigned char*)key.data(), (int)key.size(), text, sizeof text);
  return std::string(text, n);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// The number a numbered line carries; 0 for the first line.
int LineNumber(const std::string& line) { return isdigit((unsigned char)line[0]) ? std::stoi(line.substr(0, 2)) : 0; }

// Changes two key symbols of a numbered line so that its weighted sum stays
// the same: +d at place a and -d*a/b at place b (places count from 1, the
// number taking places 1 and 2).
bool ChangeTwoKeepingTheCheck(std::string* line) {
  const std::string symbols = "0123456789ABCDEFGHJKMNPQRSTVWXYZ";
  std::vector<size_t> at;  // where each symbol of the line stands
  for (size_t i = 0; i < line->size(); ++i)
    if ((*line)[i] != ' ') at.push_back(i);
  const size_t dataEnd = at.size() - 2;
  for (size_t a = 2; a < dataEnd; ++a) {
    for (size_t b = a + 1; b < dataEnd; ++b) {
      for (int d = 1; d < 32; ++d) {
        if ((int)(a + 1) * d % (int)(b + 1) != 0) continue;
        const int va = (int)symbols.find((*line)[at[a]]) + d;
        const int vb = (int)symbols.find((*line)[at[b]]) - (int)(a + 1) * d / (int)(b + 1);
        if (va > 31 || vb < 0) continue;
        (*line)[at[a]] = symbols[va];
        (*line)[at[b]] = symbols[vb];
        return true;
      }
    }
  }
  return false;
}

}  // namespace

TEST(KeyBackup, RandomKeysComeBackExactlyHoweverTheyAreTyped) {
  std::mt19937 random(12);
  for (int round = 0; round < 2000; ++round) {
    const bool sealed = round % 2;
    const std::string key = sealed ? RandomSealedKey(random) : RandomKey(random);
    const std::string text = Backup(key);
    ASSERT_FALSE(text.empty());
    const std::vector<std::string> lines = Lines(text);
    ASSERT_EQ(lines.size(), sealed ? 16u : 11u);
    EXPECT_EQ(lines[0], sealed ? BACKUP_SEALED_FIRST_LINE : BACKUP_FIRST_LINE);
    for (const std::string& line : lines) {
      EXPECT_LE(line.size(), 64u) << line;
      for (char c : line) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << line;
    }
    Outcome exact = Read(text);
    ASSERT_EQ(exact.status, BACKUP_COMPLETE) << text;
    ASSERT_EQ(exact.key, key);

    // As a person might type it: any case, hyphens for spaces, O for 0, I or
    // L for 1 (on the numbered lines), blank lines, CR LF, no comments.
    std::string typed;
    for (const std::string& line : lines) {
      if (line[0] == '#') continue;
      const bool numbered = LineNumber(line) > 0;
      std::string out;
      for (char c : line) {
        const unsigned r = numbered ? random() % 4 : 3;
        if (c == '0' && r == 0) c = 'O';
        if (c == '1' && r < 2) c = "IL"[r];
        if (c == ' ' && r == 0) c = '-';
        if (random() % 2) c = (char)tolower((unsigned char)c);
        out += c;
      }
      typed += (random() % 3 == 0 ? "\n  \r\n" : "") + out + "\r\n";
    }
    Outcome loose = Read(typed);
    ASSERT_EQ(loose.status, BACKUP_COMPLETE) << typed;
    ASSERT_EQ(loose.key, key);
  }
  const std::string notAKey(KEY_FILE_SIZE, 'x');
  char out[BACKUP_TEXT_CAPACITY];
  EXPECT_EQ(WriteKeyBackup((const unsigned char*)notAKey.data(), KEY_FILE_SIZE, out, sizeof out), 0u);
  EXPECT_EQ(WriteKeyBackup((const unsigned char*)notAKey.data(), KEY_POOL_LENGTH, out, sizeof out), 0u);
  const std::string key(KEY_FILE_SIZE, '\0');
  EXPECT_EQ(WriteKeyBackup((const unsigned char*)key.data(), KEY_FILE_SIZE, out, 400), 0u);
}

// Every change a reader or typist makes to one character, and every swap of
// two neighbours, on the first line and each numbered line: either it means
// the same (a case, a space, O for 0) or it is caught, naming that line.
TEST(KeyBackup, EverySingleSubstitutionAndSwapIsCaughtOnItsLine) {
  std::mt19937 random(7);
  const std::string original = RandomKey(random);
  for (const std::string& key : {original, RandomSealedKey(random)}) {
    const std::vector<std::string> lines = Lines(Backup(key));
    int caught = 0, same = 0;
    for (size_t l = 0; l < lines.size(); ++l) {
      if (lines[l][0] == '#') continue;
      const int number = LineNumber(lines[l]);
      std::vector<std::string> variants;
      for (size_t i = 0; i < lines[l].size(); ++i) {
        for (int c = 0x20; c < 0x7F; ++c) {
          std::string v = lines[l];
          v[i] = (char)c;
          if (v != lines[l]) variants.push_back(v);
        }
        if (i + 1 < lines[l].size() && lines[l][i] != lines[l][i + 1]) {
          std::string v = lines[l];
          std::swap(v[i], v[i + 1]);
          variants.push_back(v);
        }
      }
      for (const std::string& v : variants) {
        std::vector<std::string> changed = lines;
        changed[l] = v;
        Outcome o = Read(Join(changed));
        if (o.status == BACKUP_COMPLETE) {
          ASSERT_EQ(o.key, key) << "read as another key: " << v;
          ++same;
          continue;
        }
        // BACKUP_MORE: the text ended while that line was still wanted.
        // A first line naming the other version is one: line 01 then fails.
      const bool otherVersion = v == BACKUP_FIRST_LINE || v == BACKUP_SEALED_FIRST_LINE;
      ASSERT_EQ(o.line, otherVersion ? 1 : number) << "status " << o.status << " names another line: " << v;
        ++caught;
      }
    }
    // One substitution in a hundred means the same; none goes unnoticed.
    EXPECT_GT(caught, 20000);
    EXPECT_LT(same, caught / 20);
  }
}

TEST(KeyBackup, NumberingAndTheKeyCheckCatchWhatALineCheckCannot) {
  std::mt19937 random(3);
  const std::string key = RandomKey(random);
  const std::vector<std::string> lines = Lines(Backup(key));  // 0: first line, 1-2: notes, 3-10: lines 01-08
  auto without = [&](size_t index) {
    std::vector<std::string> v = lines;
    v.erase(v.begin() + index);
    return v;
  };
  auto with = [&](size_t index, const std::string& line) {
    std::vector<std::string> v = lines;
    v.insert(v.begin() + index, line);
    return v;
  };
  std::vector<std::string> swapped = lines;
  std::swap(swapped[7], swapped[8]);
  std::vector<std::string> twoErrors = lines;
  ASSERT_TRUE(ChangeTwoKeepingTheCheck(&twoErrors[3]));
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    BackupStatus status;
    int line;
  } cases[] = {
      {"line 03 missing", without(5), BACKUP_LINE_MISSING, 3},
      {"line 08 missing", without(10), BACKUP_MORE, 8},
      {"line 02 twice", with(5, lines[4]), BACKUP_LINE_REPEATED, 3},
      {"lines 05 and 06 swapped", swapped, BACKUP_LINE_MISSING, 5},
      {"first line missing", without(0), BACKUP_NOT_BACKUP, 0},
      {"another version", with(0, "Sorrel key backup, version 3"), BACKUP_NOT_BACKUP, 0},
      {"nothing", {}, BACKUP_MORE, 0},
      {"two errors that keep line 01's check", twoErrors, BACKUP_KEY_CHECK, 8},
      {"text after line 08 is not read", with(11, "anything"), BACKUP_COMPLETE, 9},
  };
  for (const Case& c : cases) {
    Outcome o = Read(Join(c.lines));
    EXPECT_EQ(o.status, c.status) << c.name;
    EXPECT_EQ(o.line, c.line) << c.name;
  }
}
