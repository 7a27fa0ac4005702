// A Windows program that does nothing: the baseline for the start-up cost of
// a program under Wine.
int main() { return 0; }
