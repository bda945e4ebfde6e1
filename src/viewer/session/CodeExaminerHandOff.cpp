#include "viewer/session/CodeExaminerHandOff.h"

namespace vireo {

ExaminerFileRequest CodeExaminerFileRequest(std::string homeFolder)
{
    return {"Select a Delphi Project/Unit to Examine",
            "Delphi Files (*.dpr *.pas *.lpr *.pp);;Delphi Project File (*.dpr *.lpr);;"
            "Delphi Pascal File (*.pas *.pp);;All Files (*)",
            "pas", std::move(homeFolder)};
}

} // namespace vireo
