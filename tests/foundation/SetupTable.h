// A settings table setup.OAT for one test: a fresh data folder with the
// table (ID, Ident, StringItem, MemoItem and the index "Ident"), rows
// added through the dataset layer, and the program's folder in the same
// temporary tree (for ZUVID.INI).
//
//   SetupTable T;
//   T.Row(21002, "Netto:", "Zeile2\r\nZeile3");
//   Settings()->LoadFromDatabase(T.Open());
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "data/oak/oakcnnct.h"
#include "data/oak/oaktable.h"
#include "foundation/TempTree.h"
#include "foundation/ZLibStreams.h"
#include "platform/db/fields.h"
#include "platform/engine/oak.h"

class SetupTable {
 public:
  SetupTable() {
    Tree.SetProgramFolder();
    Dir = Tree.Root + "data";
    std::filesystem::create_directories(Dir);
    OAKHANDLE Engine = 0, T = 0, I = 0;
    EXPECT_EQ(0u, OakConnect60(Dir.c_str(), OAK_LOCAL_SERVER, "", "", 0, &Engine));
    EXPECT_EQ(0u, OakCreateTable(Engine, (Dir + "/setup").c_str(), nullptr, OAK_OAT, OAK_ANSI, 1, 1, 0,
                                 "ID,AutoInc;Ident,Integer;StringItem,Character,100;MemoItem,Memo", &T));
    EXPECT_EQ(0u, OakCreateIndex61(T, "", "Ident", "Ident", "", "", 0, 0, &I));
    OakCloseTable(T);
    OakDisconnect(Engine);
    Form = std::make_unique<TComponent>(nullptr);
    auto* Conn = new TOakConnection(Form.get());
    Conn->SetConnectPath(Dir);
    Table = new TOakTable(Form.get());
    Table->SetOakConnection(Conn);
    Table->SetTableName("setup.OAT");
    Table->Open();
  }
  ~SetupTable() { Form.reset(); }

  // Adds a row Ident with StringItem and MemoItem texts.
  void Row(Integer Ident, const String& Text, const String& Memo = "") {
    Table->Append();
    Table->FieldByName("Ident")->SetAsInteger(Ident);
    Table->FieldByName("StringItem")->SetAsString(Text);
    if (!Memo.empty()) Table->FieldByName("MemoItem")->SetAsString(Memo);
    Table->Post();
  }
  // Adds a row Ident whose MemoItem holds Data compressed with zlib.
  void CompressedRow(Integer Ident, const String& Data) {
    TStringStream In(Data);
    TMemoryStream Packed;
    ZCompressStream(&In, &Packed, zcFastest, false, zsZLib);
    BytesRow(Ident, &Packed);
  }
  // Adds a row Ident whose MemoItem holds the bytes of Data as they are.
  void BytesRow(Integer Ident, TStream* Data) {
    Table->Append();
    Table->FieldByName("Ident")->SetAsInteger(Ident);
    {
      auto Blob = Table->CreateBlobStream(Table->FieldByName("MemoItem"), bmWrite);
      Data->SetPosition(0);
      Blob->CopyFrom(Data, Data->Size());
    }
    Table->Post();
  }
  // The table, open, for the loader.
  TOakTable* Open() { return Table; }

  TempTree Tree;
  std::string Dir;
  std::unique_ptr<TComponent> Form;
  TOakTable* Table = nullptr;
};
