#pragma once

class C_SPEEDBRICK;

/// Radius of a ring, for contacts and drawing.
constexpr float RAYON_ANNEAU = 6.0f;

/// One body segment of a speedbrick.
class C_ANNEAU {
public:
    C_ANNEAU() = default;
    /// A ring of the given owner with the given index, at the origin.
    C_ANNEAU(C_SPEEDBRICK* proprietaire, int index);

    float getPosX() const { return posX; }
    float getPosY() const { return posY; }
    float getPosZ() const { return posZ; }
    /// Index in the owner's list when the ring was made; kept when a split hands it on.
    int getIdAnneau() const { return idAnneau; }
    C_SPEEDBRICK* getMonSpeedbrick() const { return monSpeedbrick; }

    void setPosition(float x, float y, float z);
    void setCoordX(float x) { posX = x; }
    void setCoordY(float y) { posY = y; }
    void setCoordZ(float z) { posZ = z; }
    void setMonSpeedbrick(C_SPEEDBRICK* s) { monSpeedbrick = s; }
    void setIdAnneau(int i) { idAnneau = i; }

private:
    int idAnneau = 0;
    C_SPEEDBRICK* monSpeedbrick = nullptr;
    float posX = 0.0f;
    float posY = 0.0f;
    float posZ = 0.0f;
};
