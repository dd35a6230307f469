// The four windows, one instance each, reachable from every module.
#include "Unit1.h"
#include "Unit2.h"
#include "Unit3.h"
#include "Unit4.h"

TfrmMain* frmMain = nullptr;
TfrmMemo* frmMemo = nullptr;
TfrmIE* frmIE = nullptr;
TfrmInfo* frmInfo = nullptr;
