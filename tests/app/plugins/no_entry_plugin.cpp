// A library in a wizard's place that lacks the wizard entry points.
extern "C" __attribute__((visibility("default"))) int NotAWizard() { return 1; }
