// replaced by the Qt program
int main() { return 0; }
