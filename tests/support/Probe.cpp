int dremlorSupportProbe() { return 1; }
