// What an open database shares with its tables: the pager, the format version
// and the state of writing. Tables hold it by shared pointer, so a table stays
// readable even when it outlives its Database object (it can no longer be
// written then).
#pragma once

#include <memory>
#include <random>
#include <string>

#include "format/format_version.h"
#include "format/text_codec.h"
#include "jet/database.h"
#include "storage/pager.h"

namespace jet {

class IndexMaintenance;
class RowWriteHooks;

struct DatabaseContext {
  DatabaseContext();
  ~DatabaseContext();

  std::unique_ptr<Pager> pager;
  const FormatVersion* version = &kJet4Format;
  const TextCodec* text = &TextCodec::unicode();  // how the file stores text
  std::string fileName;  // for messages

  // The database this context belongs to; null once it is closed.
  Database::Impl* owner = nullptr;
  bool userTransaction = false;  // beginTransaction() was called
  int writeDepth = 0;            // WriteScopes open (nested writes join the outermost)

  // Keeps the real indexes on every row write (the B-tree code).
  std::unique_ptr<IndexMaintenance> indexes;
  // Rules other tables impose on row writes (relationships); may be null.
  std::unique_ptr<RowWriteHooks> hooks;
  // New GUIDs for replication-id autonumbers.
  std::mt19937_64 random;
};

}  // namespace jet
