#include "examiner/ExamineCommand.h"

#include <iostream>

int main(int argc, char* argv[])
{
    try {
        const auto options = vireo::ParseExamineArguments(std::vector<std::string>(argv + 1, argv + argc));
        return vireo::RunExamine(options, std::cout, std::cerr);
    } catch (const vireo::ExamineUsageError& e) {
        std::cerr << "vireo-examine: " << e.what() << "\nTry vireo-examine --help\n";
        return 2;
    }
}
