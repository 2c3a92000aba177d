// The sample office of the host application: an office data folder with
// the business tables that the synchronisation copies and merges, filled
// with a small German company's addresses, orders, articles, order
// templates, text modules and settings rows.
//
// Tables (structural index tags in brackets):
//   Adressen     addresses: ID, FIRMA ... ADR_46_ (address key), ADR_47_
//                (change stamp), memo NOTIZ   [ID, NAME]
//   Auftraege    orders: ID, ID_ORDER, Status, ParentName (change stamp),
//                AdressID, DATUM, amounts, memo TEXT  [ID_ORDER, ID, ADRESSID]
//   ArtikelMain  articles with a memo            [ID, ARTNR]
//   ArtikelSub   stock per article, no memo      [ID, ARTIKELID]
//   setup        settings rows: ID, Ident, StringItem, MemoItem, logo  [Ident]
//   OrderVL      order templates with a memo     [ID, NAME]
//   TEXT         text modules with a memo        [KURZ]
// Besides the tables: a text file, a macro in "MACROS/" and a layout file,
// the optional files the copy step picks up by mask.
//
// The setup rows hold the office identity (Ident 1: a fresh GUID text),
// the installation list (Ident 2: seven free entries as compressed CSV
// text) and a handful of business settings.
//
// Thread safety: none; one creation at a time per process (the CSV text of
// the installation list switches process-wide format settings).
#pragma once

#include "host/HostTable.h"

// Creates the sample office in DataFolder (created with its parents when
// missing) and returns the office GUID written into setup row 1. Raises
// EHostSetupError, before anything is written, when the folder holds one
// of the tables already; EHostSetupError when the engine refuses; and
// the file errors of the class library (EFCreateError) for the side files.
String CreateSampleOffice(const String& DataFolder);

// The installation list with seven free entries (ID 1..7, each with a new
// GUID, Name and Path empty, RIGHTS 0) as the CSV text that setup row 2
// keeps, before compression.
String EmptyInstallationListText();

// Compresses Text as a compressed memo field holds it (zlib, level 1).
String CompressMemo(const String& Text);

// The rows of each table (SampleOfficeRows.cpp); the tables are created
// and indexed by CreateSampleOffice.
void FillAddresses(THostTable& Table);
void FillOrders(THostTable& Table);
void FillArticles(THostTable& Table);
void FillArticleStock(THostTable& Table);
void FillOrderTemplates(THostTable& Table);
void FillTextModules(THostTable& Table);
// The settings rows; returns the office GUID of row 1 (SampleOfficeSetup.cpp).
String FillSetup(THostTable& Table);
