// Entry of nightloom (placeholder until the shell lands).
int main() { return 0; }
