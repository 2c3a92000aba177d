// The two compressed memo field routines: deflate into the field at level
// 1 (zlib form), inflate whatever form the field holds.
#include "foundation/Ucompress.h"

void SaveStreamToBlobField(TDataSet* DataSet, TStream* Stream, const String& FieldName) {
  std::unique_ptr<TStream> Blob = DataSet->CreateBlobStream(DataSet->FieldByName(FieldName), bmWrite);
  Blob->Seek(0, soBeginning);
  Stream->Seek(0, soBeginning);
  try {
    ZCompressStream(Stream, Blob.get(), zcFastest, true, zsZLib);
    Blob->Seek(0, soBeginning);
  } catch (const EZlibError&) {
    // Kept uncompressed: readers take bytes that do not inflate as they are.
    Stream->Seek(0, soBeginning);
    Blob->Seek(0, soBeginning);
    Blob->CopyFrom(Stream, 0);
    Blob->SetSize(Blob->Position());
  }
}

void LoadBlobFieldToStream(TDataSet* DataSet, const String& FieldName, TMemoryStream* Stream) {
  std::unique_ptr<TStream> Blob = DataSet->CreateBlobStream(DataSet->FieldByName(FieldName), bmRead);
  Stream->Clear();
  Blob->Seek(0, soBeginning);
  try {
    ZDecompressStream(Blob.get(), Stream);
  } catch (const EDecompressionLimitError&) {
    Stream->Clear();  // no half value
    throw;
  } catch (const EZlibError&) {
    // Not compressed (or damaged): the stored bytes as they stand.
    Blob->Seek(0, soBeginning);
    Stream->LoadFromStream(Blob.get());
  }
  Stream->Seek(0, soBeginning);
}
