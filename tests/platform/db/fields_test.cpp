// Field kinds: native buffers, conversions, texts, events and errors.
#include <cmath>

#include "db_fixture.h"
#include "platform/rtl/datetime.h"

class FieldKinds : public DbTest {
 protected:
  // A table with one column of each common kind, open with one empty
  // record in insert mode.
  void OpenKinds() {
    DS->FieldDefs().Clear();
    DS->FieldDefs().Add("S", ftString, 5);
    DS->FieldDefs().Add("I", ftInteger);
    DS->FieldDefs().Add("SI", ftSmallint);
    DS->FieldDefs().Add("W", ftWord);
    DS->FieldDefs().Add("L", ftLargeint);
    DS->FieldDefs().Add("F", ftFloat);
    DS->FieldDefs().Add("C", ftCurrency);
    DS->FieldDefs().Add("B", ftBoolean);
    DS->FieldDefs().Add("D", ftDate);
    DS->FieldDefs().Add("T", ftTime);
    DS->FieldDefs().Add("DT", ftDateTime);
    DS->FieldDefs().Add("BCD", ftBCD, 2);
    DS->FieldDefs().Add("BY", ftBytes, 4);
    DS->FieldDefs().Add("VB", ftVarBytes, 6);
    DS->FieldDefs().Add("M", ftMemo);
    DS->Open();
    DS->Append();
  }
  static std::string Error(const std::function<void()>& Fn) { return ErrorText(Fn); }
};

TEST_F(FieldKinds, DefaultFieldsHaveTheClassOfTheirType) {
  OpenKinds();
  EXPECT_TRUE(F("S")->Is<TStringField>());
  EXPECT_TRUE(F("SI")->Is<TSmallintField>());
  EXPECT_TRUE(F("C")->Is<TCurrencyField>());
  EXPECT_TRUE(F("D")->Is<TDateField>());
  EXPECT_TRUE(F("M")->Is<TMemoField>());
  EXPECT_TRUE(F("VB")->Is<TVarBytesField>());
  EXPECT_EQ(F("C")->DataType(), ftCurrency);
  EXPECT_EQ(F("I")->FieldNo(), 2);
}

TEST_F(FieldKinds, NativeBuffersHaveTheClassLibrarySizes) {
  OpenKinds();
  EXPECT_EQ(F("I")->DataSize(), 4);
  EXPECT_EQ(F("SI")->DataSize(), 2);
  EXPECT_EQ(F("B")->DataSize(), 2);
  EXPECT_EQ(F("F")->DataSize(), 8);
  EXPECT_EQ(F("C")->DataSize(), 8);
  EXPECT_EQ(F("D")->DataSize(), 4);
  EXPECT_EQ(F("T")->DataSize(), 4);
  EXPECT_EQ(F("DT")->DataSize(), 8);
  EXPECT_EQ(F("BCD")->DataSize(), 34);
  EXPECT_EQ(F("VB")->DataSize(), 8);
  EXPECT_EQ(F("M")->DataSize(), 0);
}

TEST_F(FieldKinds, DateBuffersHoldDaysAndMilliseconds) {
  OpenKinds();
  TDateTime V = EncodeDate(2024, 12, 31) + EncodeTime(13, 30, 0, 250);
  F("D")->SetAsDateTime(V);
  F("T")->SetAsDateTime(V);
  F("DT")->SetAsDateTime(V);
  TDateTimeRec R;
  ASSERT_TRUE(F("D")->GetData(&R));
  EXPECT_EQ(R.Date, static_cast<Integer>(EncodeDate(2024, 12, 31)) + DateDelta);
  ASSERT_TRUE(F("T")->GetData(&R));
  EXPECT_EQ(R.Time, (13 * 3600 + 30 * 60) * 1000 + 250);
  ASSERT_TRUE(F("DT")->GetData(&R));
  EXPECT_NEAR(R.DateTime, (EncodeDate(2024, 12, 31) + DateDelta) * 86400000.0 + 48600250, 0.5);
  EXPECT_DOUBLE_EQ(F("D")->AsDateTime(), EncodeDate(2024, 12, 31));
  EXPECT_NEAR(F("DT")->AsDateTime(), V, 1e-9);
}

TEST_F(FieldKinds, BooleanIsAWordAndTakesPrefixesOfItsTexts) {
  OpenKinds();
  F("B")->SetAsBoolean(true);
  Word W = 0;
  F("B")->GetData(&W);
  EXPECT_NE(W, 0);
  EXPECT_EQ(F("B")->AsString(), "True");
  F("B")->SetAsString("fa");
  EXPECT_FALSE(F("B")->AsBoolean());
  static_cast<TBooleanField*>(F("B"))->SetDisplayValues("Ja;Nein");
  F("B")->SetAsString("ja");
  EXPECT_EQ(F("B")->AsString(), "Ja");
  EXPECT_EQ(Error([&] { F("B")->SetAsString("vielleicht"); }),
            "'vielleicht' ist kein gültiger boolescher Wert für Feld 'B'");
}

TEST_F(FieldKinds, IntegerTextErrorsAreGerman) {
  OpenKinds();
  EXPECT_EQ(Error([&] { F("I")->SetAsString("abc"); }),
            "'abc' ist kein gültiger Integerwert für Feld 'I'");
  EXPECT_EQ(Error([&] { F("F")->SetAsString("1.2.3"); }),
            "'1.2.3' ist kein gültiger Gleitkommawert für Feld 'F'");
  EXPECT_EQ(Error([&] { F("SI")->SetAsInteger(40000); }),
            "40000 ist kein gültiger Wert für Feld 'SI'. Der erlaubte Bereich ist -32768 bis 32767");
  EXPECT_EQ(Error([&] { F("W")->SetAsInteger(-1); }),
            "-1 ist kein gültiger Wert für Feld 'W'. Der erlaubte Bereich ist 0 bis 65535");
}

TEST_F(FieldKinds, AccessAsAnUnofferedTypeIsRefused) {
  OpenKinds();
  EXPECT_EQ(Error([&] { (void)F("D")->AsBoolean(); }),
            "Zugriff auf Feld 'D' als Typ Boolean nicht möglich");
  EXPECT_THROW(F("B")->SetAsDateTime(1.0), EDatabaseError);
}

TEST_F(FieldKinds, NumbersUseTheProcessDecimalSeparator) {
  OpenKinds();
  F("F")->SetAsString("1234,5");
  EXPECT_DOUBLE_EQ(F("F")->AsFloat(), 1234.5);
  EXPECT_EQ(F("F")->AsString(), "1234,5");
  F("I")->SetAsString(" 42 ");
  EXPECT_EQ(F("I")->AsInteger(), 42);
  EXPECT_EQ(F("I")->AsString(), "42");
  F("L")->SetAsString("9000000000");
  EXPECT_EQ(F("L")->AsLargeInt(), 9000000000LL);
}

TEST_F(FieldKinds, EditFormatReplacesDisplayFormatForEditing) {
  OpenKinds();
  auto* Fl = static_cast<TFloatField*>(F("F"));
  Fl->SetDisplayFormat("#,##0.00");
  Fl->SetAsFloat(1234.5);
  EXPECT_EQ(Fl->DisplayText(), "1.234,50");
  EXPECT_EQ(Fl->Text(), "1.234,50");
  Fl->SetEditFormat("0.0");
  EXPECT_EQ(Fl->Text(), "1234,5");
  EXPECT_EQ(Fl->DisplayText(), "1.234,50");
  F("C")->SetAsFloat(12.5);
  EXPECT_EQ(F("C")->Text(), "12,50");
}

TEST_F(FieldKinds, StringIsCutToSizeInCharacters) {
  OpenKinds();
  F("S")->SetAsString("Äpfelkuchen");
  EXPECT_EQ(F("S")->AsString(), "Äpfel");
  F("S")->SetAsString("12");
  EXPECT_EQ(F("S")->AsInteger(), 12);
  F("S")->SetAsString("");
  EXPECT_FALSE(F("S")->IsNull());
  F("S")->Clear();
  EXPECT_TRUE(F("S")->IsNull());
  EXPECT_EQ(F("S")->AsString(), "");
}

TEST_F(FieldKinds, BcdKeepsItsDecimalPlaces) {
  OpenKinds();
  F("BCD")->SetAsFloat(-12.345);
  TBCD B;
  ASSERT_TRUE(F("BCD")->GetData(&B));
  EXPECT_EQ(B.SignSpecialPlaces, 0x80 | 2);
  EXPECT_DOUBLE_EQ(F("BCD")->AsFloat(), -12.35);
}

TEST_F(FieldKinds, BytesAndVarBytesKeepRawBytes) {
  OpenKinds();
  F("BY")->SetAsString(std::string("\x01\x02", 2));
  EXPECT_EQ(F("BY")->AsString(), std::string("\x01\x02\x00\x00", 4));
  F("VB")->SetAsString("abc");
  EXPECT_EQ(F("VB")->AsString(), "abc");
  Byte Raw[8];
  F("VB")->GetData(Raw);
  EXPECT_EQ(Raw[0], 3);
  EXPECT_EQ(Raw[1], 0);
}

TEST_F(FieldKinds, MemoTravelsThroughBlobStreams) {
  OpenKinds();
  F("M")->SetAsString("Zeile 1\r\nZeile 2");
  DS->Post();
  EXPECT_EQ(F("M")->AsString(), "Zeile 1\r\nZeile 2");
  EXPECT_EQ(F("M")->DisplayText(), "(Memo)");
  EXPECT_THROW(F("M")->SetAsString("x"), EDatabaseError);
}

TEST_F(FieldKinds, VariantValuesMapToTheKindsTypes) {
  OpenKinds();
  F("I")->SetValue(Variant("17"));
  EXPECT_EQ(F("I")->Value().VarType(), varInteger);
  F("C")->SetValue(Variant(2.5));
  EXPECT_EQ(F("C")->Value().VarType(), varCurrency);
  F("DT")->SetValue(Variant::FromDateTime(45000.5));
  EXPECT_EQ(F("DT")->Value().VarType(), varDate);
  F("I")->SetValue(Null());
  EXPECT_TRUE(VarIsNull(F("I")->Value()));
}

TEST_F(FieldKinds, GetTextAndSetTextHandlersReplaceTheConversion) {
  OpenKinds();
  F("I")->OnGetText = [](TField* Sender, String& Text, bool Display) {
    Text = (Display ? "Nr. " : "") + Sender->AsString();
  };
  F("I")->OnSetText = [](TField* Sender, const String& Text) {
    Sender->SetAsInteger(static_cast<Integer>(Text.size()));
  };
  F("I")->SetText("vier");
  EXPECT_EQ(F("I")->DisplayText(), "Nr. 4");
  EXPECT_EQ(F("I")->Text(), "4");
}

TEST_F(FieldKinds, OnValidateSeesTheNewValueAndMayRefuseIt) {
  OpenKinds();
  F("I")->SetAsInteger(1);
  F("I")->OnValidate = [](TField* Sender) {
    if (Sender->AsInteger() > 100) throw EDatabaseError("zu groß");
  };
  F("I")->SetAsInteger(50);
  EXPECT_THROW(F("I")->SetAsInteger(500), EDatabaseError);
  EXPECT_EQ(F("I")->AsInteger(), 50);
}

TEST_F(FieldKinds, OnChangeFollowsEveryWrite) {
  OpenKinds();
  int Changes = 0;
  F("S")->OnChange = [&](TField*) { ++Changes; };
  F("S")->SetAsString("a");
  F("S")->Clear();
  EXPECT_EQ(Changes, 2);
}

TEST_F(FieldKinds, ReadOnlyFieldRefusesWrites) {
  OpenKinds();
  F("S")->SetReadOnly(true);
  EXPECT_FALSE(F("S")->CanModify());
  EXPECT_EQ(Error([&] { F("S")->SetAsString("x"); }), "Feld 'S' kann nicht geändert werden");
}

TEST_F(FieldKinds, DisplayLabelAndWidthDefaults) {
  OpenKinds();
  EXPECT_EQ(F("S")->DisplayLabel(), "S");
  F("S")->SetDisplayLabel("Kurzname");
  EXPECT_EQ(F("S")->DisplayName(), "Kurzname");
  EXPECT_EQ(F("S")->DisplayWidth(), 5);
  EXPECT_EQ(F("I")->DisplayWidth(), 11);
  EXPECT_EQ(F("I")->Alignment(), taRightJustify);
}

TEST_F(FieldKinds, FieldsCannotChangeSizeOrDataSetWhileOpen) {
  OpenKinds();
  EXPECT_EQ(Error([&] { F("S")->SetSize(9); }),
            "Kunden: Operation in geöffneter Datenmenge nicht ausführbar");
  auto* Other = new TVectorDataSet(Owner.get());
  EXPECT_THROW(F("S")->SetDataSet(Other), EDatabaseError);
}

TEST_F(FieldKinds, DuplicateFieldNamesAreRefused) {
  auto* A = new TStringField(Owner.get());
  A->SetFieldName("X");
  A->SetDataSet(DS);
  auto* B = new TStringField(Owner.get());
  B->SetFieldName("x");
  EXPECT_EQ(Error([&] { B->SetDataSet(DS); }), "Kunden: Doppelter Feldname 'x'");
}

TEST_F(FieldKinds, BlobStreamModesReadReplaceAndRefuse) {
  OpenKinds();
  F("M")->SetAsString("alt");
  {
    std::unique_ptr<TStream> S = DS->CreateBlobStream(F("M"), bmReadWrite);
    S->Seek(0, soEnd);
    S->WriteString("+neu");
  }
  EXPECT_EQ(F("M")->AsString(), "alt+neu");
  { std::unique_ptr<TStream> S = DS->CreateBlobStream(F("M"), bmWrite); }
  EXPECT_TRUE(F("M")->IsNull());
  std::unique_ptr<TStream> R = DS->CreateBlobStream(F("M"), bmRead);
  EXPECT_EQ(Error([&] { R->WriteString("x"); }), "Feld 'M' kann nicht geändert werden");
  DS->Cancel();
  EXPECT_EQ(Error([&] { DS->CreateBlobStream(F("M"), bmWrite); }),
            "Kunden: Datenmenge nicht im Bearbeitungs- oder Einfügemodus");
}
