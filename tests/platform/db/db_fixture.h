// Shared fixture of the dataset framework tests: a vector dataset with an
// ID, a Name and an Amount column, an event log, and small verbs.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/db/datasource.h"
#include "platform/rtl/formatsettings.h"
#include "vector_dataset.h"

class DbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetFormatSettings();
    Owner = std::make_unique<TComponent>(nullptr);
    DS = new TVectorDataSet(Owner.get());
    DS->SetName("Kunden");
    DS->FieldDefs().Add("ID", ftInteger);
    DS->FieldDefs().Add("Name", ftString, 20);
    DS->FieldDefs().Add("Amount", ftFloat);
  }
  void TearDown() override { ResetFormatSettings(); }

  // Stores rows 1..Count named "Name<i>" with Amount i * 1.5, then opens.
  void OpenWithRows(int Count) {
    DS->Open();
    for (int I = 1; I <= Count; ++I) AppendRow(I, "Name" + std::to_string(I), I * 1.5);
    DS->First();
    Log.clear();
  }
  void AppendRow(int Id, const String& Name, double Amount) {
    DS->AppendRecord({Variant(Id), Variant(Name), Variant(Amount)});
  }
  TField* F(const String& Name) { return DS->FieldByName(Name); }
  int CurrentId() { return F("ID")->AsInteger(); }
  // Every Before/After event appends its name to Log.
  void RecordEvents() {
    using TSlot = TDataSetNotifyEvent TDataSet::*;
    const std::pair<const char*, TSlot> Events[] = {
        {"BeforeInsert", &TDataSet::BeforeInsert}, {"AfterInsert", &TDataSet::AfterInsert},
        {"BeforeEdit", &TDataSet::BeforeEdit},     {"AfterEdit", &TDataSet::AfterEdit},
        {"BeforePost", &TDataSet::BeforePost},     {"AfterPost", &TDataSet::AfterPost},
        {"BeforeCancel", &TDataSet::BeforeCancel}, {"AfterCancel", &TDataSet::AfterCancel},
        {"BeforeDelete", &TDataSet::BeforeDelete}, {"AfterDelete", &TDataSet::AfterDelete},
        {"BeforeScroll", &TDataSet::BeforeScroll}, {"AfterScroll", &TDataSet::AfterScroll},
        {"OnNewRecord", &TDataSet::OnNewRecord}};
    for (const auto& [Name, Slot] : Events) {
      std::string N = Name;
      DS->*Slot = [this, N](TDataSet*) { Log.push_back(N); };
    }
  }
  // The message of the exception Fn raises, or "(kein Fehler)".
  static std::string ErrorText(const std::function<void()>& Fn) {
    try {
      Fn();
    } catch (const Exception& E) {
      return E.what();
    }
    return "(kein Fehler)";
  }
  std::vector<int> AllIds() {
    std::vector<int> R;
    for (DS->First(); !DS->Eof(); DS->Next()) R.push_back(CurrentId());
    return R;
  }

  std::unique_ptr<TComponent> Owner;
  TVectorDataSet* DS = nullptr;
  std::vector<std::string> Log;
};

// A data link that records its hooks.
class TRecordingLink : public TDataLink {
 public:
  std::vector<std::string> Calls;
  int LastScroll = 0;

 protected:
  void ActiveChanged() override { Calls.push_back("ActiveChanged"); }
  void DataSetChanged() override { Calls.push_back("DataSetChanged"); }
  void DataSetScrolled(Integer Distance) override {
    LastScroll = Distance;
    Calls.push_back("DataSetScrolled(" + std::to_string(Distance) + ")");
  }
  void EditingChanged() override { Calls.push_back("EditingChanged"); }
  void LayoutChanged() override { Calls.push_back("LayoutChanged"); }
  void RecordChanged(TField* Field) override {
    Calls.push_back(Field ? "RecordChanged(" + Field->FieldName() + ")" : "RecordChanged");
  }
  void UpdateData() override { Calls.push_back("UpdateData"); }
};
