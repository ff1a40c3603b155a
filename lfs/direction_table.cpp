// Values as the table has always carried them: two entries (S(18) and
// C(26)) read 0.382684 in magnitude where the others read 0.382683.
#include "lfs/direction_table.h"

namespace ridge {

namespace {

const float kSin[kDetectorDirections] = {
    0.0f,       0.19509f,   0.382683f,  0.55557f,   0.707107f,  0.83147f,   0.92388f,   0.980785f,
    1.0f,       0.980785f,  0.92388f,   0.83147f,   0.707107f,  0.55557f,   0.382683f,  0.19509f,
    0.0f,       -0.19509f,  -0.382684f, -0.55557f,  -0.707107f, -0.83147f,  -0.92388f,  -0.980785f,
    -1.0f,      -0.980785f, -0.92388f,  -0.83147f,  -0.707107f, -0.55557f,  -0.382683f, -0.19509f,
};

const float kCos[kDetectorDirections] = {
    1.0f,       0.980785f,  0.92388f,   0.83147f,   0.707107f,  0.55557f,   0.382683f,  0.19509f,
    0.0f,       -0.19509f,  -0.382683f, -0.55557f,  -0.707107f, -0.83147f,  -0.92388f,  -0.980785f,
    -1.0f,      -0.980785f, -0.92388f,  -0.83147f,  -0.707107f, -0.55557f,  -0.382683f, -0.19509f,
    0.0f,       0.19509f,   0.382684f,  0.55557f,   0.707107f,  0.83147f,   0.92388f,   0.980785f,
};

int wrap(int d)
{
    const int r = d % kDetectorDirections;
    return r < 0 ? r + kDetectorDirections : r;
}

} // namespace

float direction_sin(int d)
{
    return kSin[wrap(d)];
}

float direction_cos(int d)
{
    return kCos[wrap(d)];
}

} // namespace ridge
