#include "agent/Pellmark.h"

int main(int argc, char** argv) { return pellmark::PellmarkMain(argc, argv); }
